#include "KbWatch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <bitset>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "KeySymMap.h"

namespace {

template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
XcbReply<T> Reply(T* reply) {
    return XcbReply<T>(reply, &std::free);
}

// The keysyms of every keycode, as the server maps them now.
class KeyboardMap {
public:
    bool Load(xcb_connection_t* conn) {
        const xcb_setup_t* setup = xcb_get_setup(conn);
        minKeycode_ = setup->min_keycode;
        const uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
        auto reply = Reply(xcb_get_keyboard_mapping_reply(
            conn, xcb_get_keyboard_mapping(conn, setup->min_keycode, count), nullptr));
        if (!reply) {
            return false;
        }
        perKeycode_ = reply->keysyms_per_keycode;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
        syms_.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
        return true;
    }

    xcb_keysym_t Sym(xcb_keycode_t keycode, int column) const {
        if (keycode < minKeycode_ || column >= perKeycode_) {
            return 0;
        }
        const size_t at = static_cast<size_t>(keycode - minKeycode_) * perKeycode_ + column;
        return at < syms_.size() ? syms_[at] : 0;
    }

private:
    xcb_keycode_t minKeycode_ = 0;
    int perKeycode_ = 0;
    std::vector<xcb_keysym_t> syms_;
};

// One watch: its own connection to the X server, a thread reading the raw key events of every
// keyboard from it, and a pipe that tells the thread to end.
class Watcher {
public:
    Watcher(xcb_window_t window, uint32_t message) : window_(window), message_(message) {}

    static std::unique_ptr<Watcher> Start(xcb_window_t window, uint32_t message) {
        auto watcher = std::make_unique<Watcher>(window, message);
        if (!watcher->Connect()) {
            return nullptr;
        }
        watcher->thread_ = std::thread([w = watcher.get()] { w->Run(); });
        return watcher;
    }

    ~Watcher() {
        if (thread_.joinable()) {
            const char stop = 1;
            ssize_t written = ::write(stopPipe_[1], &stop, 1);
            (void)written;
            thread_.join();
        }
        for (int fd : stopPipe_) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        if (conn_) {
            xcb_disconnect(conn_);
        }
    }

    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

private:
    bool Connect() {
        if (window_ == 0) {
            return false;
        }
        int screen = 0;
        conn_ = xcb_connect(nullptr, &screen);
        if (xcb_connection_has_error(conn_)) {
            return false;
        }
        auto attributes = Reply(xcb_get_window_attributes_reply(
            conn_, xcb_get_window_attributes(conn_, window_), nullptr));
        if (!attributes) {
            return false;  // no such window
        }
        auto geometry =
            Reply(xcb_get_geometry_reply(conn_, xcb_get_geometry(conn_, window_), nullptr));
        if (!geometry) {
            return false;
        }
        const xcb_query_extension_reply_t* xinput = xcb_get_extension_data(conn_, &xcb_input_id);
        if (!xinput || !xinput->present) {
            return false;
        }
        xinputOpcode_ = xinput->major_opcode;
        // Raw events reach a client that did not grab the keyboard from version 2.1 on.
        auto version = Reply(xcb_input_xi_query_version_reply(
            conn_, xcb_input_xi_query_version(conn_, 2, 2), nullptr));
        if (!version || version->major_version < 2 ||
            (version->major_version == 2 && version->minor_version < 1)) {
            return false;
        }
        struct {
            xcb_input_event_mask_t head;
            uint32_t bits;
        } mask{};
        mask.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
        mask.head.mask_len = 1;
        mask.bits = XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE;
        std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
            xcb_request_check(
                conn_, xcb_input_xi_select_events_checked(conn_, geometry->root, 1, &mask.head)),
            &std::free);
        if (error) {
            return false;
        }
        const char* name = KBWATCH_MESSAGE_ATOM;
        auto atom = Reply(xcb_intern_atom_reply(
            conn_, xcb_intern_atom(conn_, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr));
        if (!atom || !keyboard_.Load(conn_)) {
            return false;
        }
        atom_ = atom->atom;
        return ::pipe2(stopPipe_, O_CLOEXEC) == 0;
    }

    void Run() {
        pollfd fds[2] = {{xcb_get_file_descriptor(conn_), POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(conn_)) {
                Handle(event);
                std::free(event);
            }
            if (xcb_connection_has_error(conn_)) {
                return;  // the server went away; nothing more will come
            }
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
                return;
            }
            if (fds[1].revents) {
                return;
            }
        }
    }

    void Handle(const xcb_generic_event_t* event) {
        const uint8_t type = event->response_type & 0x7F;
        if (type == XCB_MAPPING_NOTIFY) {
            keyboard_.Load(conn_);
            return;
        }
        if (type != XCB_GE_GENERIC) {
            return;
        }
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (generic->extension != xinputOpcode_ ||
            (generic->event_type != XCB_INPUT_RAW_KEY_PRESS &&
             generic->event_type != XCB_INPUT_RAW_KEY_RELEASE)) {
            return;
        }
        const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
        Post(static_cast<xcb_keycode_t>(raw->detail),
             generic->event_type == XCB_INPUT_RAW_KEY_RELEASE);
    }

    bool NumLockOn() {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
        auto pointer =
            Reply(xcb_query_pointer_reply(conn_, xcb_query_pointer(conn_, root), nullptr));
        return pointer && (pointer->mask & XCB_MOD_MASK_2);
    }

    void Post(xcb_keycode_t keycode, bool release) {
        const xcb_keysym_t first = keyboard_.Sym(keycode, 0);
        const xcb_keysym_t second = keyboard_.Sym(keycode, 1);
        if (first == 0 && second == 0) {
            return;  // a keycode no key sends
        }
        const uint32_t sym = kbwatch::EffectiveKeySym(first, second, NumLockOn());
        int vk = kbwatch::KeySymToVirtualKey(sym);
        if (vk == 0) {
            vk = 0xFF;  // a key that has no virtual-key code of its own
        }
        const bool wasDown = down_.test(keycode);
        down_.set(keycode, !release);

        uint32_t flags = 1 | (static_cast<uint32_t>((keycode - 8) & 0xFF) << 16);
        if (wasDown || release) {
            flags |= 1u << 30;
        }
        if (release) {
            flags |= 1u << 31;
        }
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window_;
        message.type = atom_;
        message.data.data32[0] = message_;
        message.data.data32[1] = static_cast<uint32_t>(vk);
        message.data.data32[2] = flags;
        xcb_send_event(conn_, 0, window_, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(conn_);
    }

    const xcb_window_t window_;
    const uint32_t message_;
    xcb_connection_t* conn_ = nullptr;
    uint8_t xinputOpcode_ = 0;
    xcb_atom_t atom_ = XCB_NONE;
    KeyboardMap keyboard_;
    std::bitset<256> down_;
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
};

std::mutex& HookMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<Watcher>& Current() {
    static std::unique_ptr<Watcher> watcher;
    return watcher;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int StartKeyHook(unsigned long window,
                                                                   unsigned int message) {
    std::lock_guard<std::mutex> lock(HookMutex());
    Current().reset();
    Current() = Watcher::Start(static_cast<xcb_window_t>(window), message);
    return Current() ? 1 : 0;
}

extern "C" __attribute__((visibility("default"))) void StopKeyHook(void) {
    std::lock_guard<std::mutex> lock(HookMutex());
    Current().reset();
}
