#include "Foreground.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>

#include "X11Connection.h"

namespace platform {
namespace {

// The window manager answers asynchronously; this is how long we wait to hear it did.
constexpr int kWaitMs = 500;

int ScreenOf(xcb_ewmh_connection_t* ewmh, xcb_window_t window) {
    auto geometry = x11::Own(xcb_get_geometry_reply(
        ewmh->connection, xcb_get_geometry(ewmh->connection, window), nullptr));
    for (int i = 0; geometry && i < ewmh->nb_screens; ++i) {
        if (ewmh->screens[i]->root == geometry->root) {
            return i;
        }
    }
    return 0;
}

bool WindowManagerActivates(xcb_ewmh_connection_t* ewmh, int screen) {
    xcb_ewmh_get_atoms_reply_t supported;
    if (!xcb_ewmh_get_supported_reply(ewmh, xcb_ewmh_get_supported(ewmh, screen), &supported,
                                      nullptr)) {
        return false;
    }
    bool found = false;
    for (uint32_t i = 0; i < supported.atoms_len; ++i) {
        found = found || supported.atoms[i] == ewmh->_NET_ACTIVE_WINDOW;
    }
    xcb_ewmh_get_atoms_reply_wipe(&supported);
    return found;
}

bool IsViewable(xcb_connection_t* conn, xcb_window_t window) {
    auto attributes = x11::Own(
        xcb_get_window_attributes_reply(conn, xcb_get_window_attributes(conn, window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

xcb_window_t ActiveWindow(xcb_ewmh_connection_t* ewmh, int screen, bool managed) {
    xcb_window_t active = XCB_NONE;
    if (managed) {
        xcb_ewmh_get_active_window_reply(ewmh, xcb_ewmh_get_active_window(ewmh, screen), &active,
                                         nullptr);
        return active;
    }
    xcb_connection_t* conn = ewmh->connection;
    auto focus = x11::Own(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
    return focus ? focus->focus : XCB_NONE;
}

// Lets the window system catch up, without spinning.
void PumpBriefly() {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
}

bool BringToFrontX11(xcb_connection_t* conn, QWidget* window) {
    xcb_ewmh_connection_t* ewmh = x11::Ewmh(conn);
    if (!ewmh) {
        return false;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    QElapsedTimer timer;
    timer.start();
    // A window just shown may still wait for its window manager to map it; until then nobody
    // can make it active.
    while (!IsViewable(conn, id)) {
        if (timer.elapsed() >= kWaitMs) {
            return false;
        }
        PumpBriefly();
    }
    const int screen = ScreenOf(ewmh, id);
    const bool managed = WindowManagerActivates(ewmh, screen);
    window->raise();
    if (managed) {
        // Asked as a pager asks: window managers obey that even while another program has the
        // focus, where an application's own request meets their focus-stealing prevention.
        xcb_ewmh_request_change_active_window(ewmh, screen, id, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
                                              XCB_CURRENT_TIME, ActiveWindow(ewmh, screen, true));
    } else {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(conn, id, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(conn, XCB_INPUT_FOCUS_PARENT, id, XCB_CURRENT_TIME);
    }
    xcb_flush(conn);

    for (;;) {
        if (ActiveWindow(ewmh, screen, managed) == id) {
            QApplication::processEvents();  // let Qt hear of the focus it now has
            return true;
        }
        if (timer.elapsed() >= 2 * kWaitMs) {
            return false;
        }
        PumpBriefly();
    }
}

}  // namespace

bool BringToFront(QWidget* window) {
    if (!window) {
        return false;
    }
    window = window->window();
    if (window->isMinimized()) {
        window->showNormal();
    }
    if (!window->isVisible()) {
        return false;
    }
    if (xcb_connection_t* conn = x11::QtConnection()) {
        return BringToFrontX11(conn, window);
    }
    window->raise();
    window->activateWindow();
    QElapsedTimer timer;
    timer.start();
    while (!window->isActiveWindow() && timer.elapsed() < kWaitMs) {
        PumpBriefly();
    }
    return window->isActiveWindow();
}

}  // namespace platform
