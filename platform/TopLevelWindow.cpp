#include "TopLevelWindow.h"

#include <cstring>
#include <vector>

#include "X11Connection.h"

namespace platform {
namespace {

std::string Property(xcb_connection_t* conn, xcb_window_t window, xcb_atom_t name, xcb_atom_t type,
                     bool& present) {
    present = false;
    auto reply = x11::Own(xcb_get_property_reply(
        conn, xcb_get_property(conn, 0, window, name, type, 0, 4096), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8) {
        return {};
    }
    present = true;
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<size_t>(xcb_get_property_value_length(reply.get())));
}

// The title as the window manager shows it: the UTF-8 _NET_WM_NAME, else the older WM_NAME.
bool Title(xcb_connection_t* conn, xcb_window_t window, std::string& title) {
    bool present = false;
    xcb_atom_t utf8 = x11::Atom(conn, "UTF8_STRING");
    title = Property(conn, window, x11::Atom(conn, "_NET_WM_NAME"), utf8, present);
    if (!present) {
        title = Property(conn, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, present);
    }
    return present;
}

std::vector<xcb_window_t> Children(xcb_connection_t* conn, xcb_window_t parent) {
    auto tree = x11::Own(xcb_query_tree_reply(conn, xcb_query_tree(conn, parent), nullptr));
    if (!tree) {
        return {};
    }
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return std::vector<xcb_window_t>(children,
                                     children + xcb_query_tree_children_length(tree.get()));
}

}  // namespace

unsigned long FindTopLevelWindow(const std::string& title) {
    xcb_connection_t* conn = x11::Connection();
    if (!conn) {
        return 0;
    }
    std::string name;
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(conn)); screens.rem;
         xcb_screen_next(&screens)) {
        // Every child of the root, mapped or not: a program hidden to the tray has unmapped its
        // window, and the window manager has handed it back to the root. A shown window may sit
        // inside the frame its window manager drew around it, one level further down.
        for (xcb_window_t child : Children(conn, screens.data->root)) {
            if (Title(conn, child, name)) {
                if (name == title) {
                    return child;
                }
                continue;
            }
            for (xcb_window_t framed : Children(conn, child)) {
                if (Title(conn, framed, name) && name == title) {
                    return framed;
                }
            }
        }
    }
    return 0;
}

bool CloseTopLevelWindow(unsigned long window) {
    xcb_connection_t* conn = x11::Connection();
    if (!conn || window == 0) {
        return false;
    }
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window);
    event.type = x11::Atom(conn, "WM_PROTOCOLS");
    event.data.data32[0] = x11::Atom(conn, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    auto cookie = xcb_send_event_checked(conn, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                                         reinterpret_cast<const char*>(&event));
    auto error = x11::Own(xcb_request_check(conn, cookie));
    return !error;
}

}  // namespace platform
