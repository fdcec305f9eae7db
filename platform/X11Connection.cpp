#include "X11Connection.h"

#include <QGuiApplication>

#include <map>
#include <mutex>
#include <utility>

namespace platform::x11 {
namespace {

struct Disconnect {
    void operator()(xcb_connection_t* conn) const { xcb_disconnect(conn); }
};

struct EwmhWipe {
    void operator()(xcb_ewmh_connection_t* ewmh) const {
        xcb_ewmh_connection_wipe(ewmh);
        delete ewmh;
    }
};

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

xcb_connection_t* QtConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_connection_t* Connection() {
    if (xcb_connection_t* conn = QtConnection()) {
        return conn;
    }
    std::lock_guard guard(Lock());
    static std::unique_ptr<xcb_connection_t, Disconnect> own;
    if (!own) {
        xcb_connection_t* conn = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(conn)) {
            xcb_disconnect(conn);
            return nullptr;
        }
        own.reset(conn);
    }
    return own.get();
}

xcb_ewmh_connection_t* Ewmh(xcb_connection_t* conn) {
    std::lock_guard guard(Lock());
    static std::map<xcb_connection_t*, std::unique_ptr<xcb_ewmh_connection_t, EwmhWipe>> known;
    auto found = known.find(conn);
    if (found != known.end()) {
        return found->second.get();
    }
    std::unique_ptr<xcb_ewmh_connection_t, EwmhWipe> ewmh(new xcb_ewmh_connection_t{});
    xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(conn, ewmh.get());
    if (!cookies || !xcb_ewmh_init_atoms_replies(ewmh.get(), cookies, nullptr)) {
        return nullptr;
    }
    return known.emplace(conn, std::move(ewmh)).first->second.get();
}

xcb_atom_t Atom(xcb_connection_t* conn, const std::string& name) {
    std::lock_guard guard(Lock());
    static std::map<std::pair<xcb_connection_t*, std::string>, xcb_atom_t> known;
    auto key = std::make_pair(conn, name);
    if (auto found = known.find(key); found != known.end()) {
        return found->second;
    }
    auto reply = Own(xcb_intern_atom_reply(
        conn, xcb_intern_atom(conn, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr));
    if (!reply) {
        return XCB_ATOM_NONE;
    }
    return known.emplace(key, reply->atom).first->second;
}

}  // namespace platform::x11
