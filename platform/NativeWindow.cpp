#include "NativeWindow.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QGuiApplication>

#include "Form.h"
#include "KbWatch.h"
#include "X11Connection.h"

namespace platform {
namespace {

// Turns the client messages the keyboard hook sends into messages to the form that owns the
// X window they are addressed to.
class ClientMessageFilter : public QAbstractNativeEventFilter {
public:
    explicit ClientMessageFilter(xcb_atom_t atom) : atom_(atom) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") {
            return false;
        }
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) {
            return false;
        }
        const auto* client = static_cast<const xcb_client_message_event_t*>(message);
        if (client->type != atom_ || client->format != 32) {
            return false;
        }
        if (Form* form = FormOfWindow(client->window)) {
            form->PostMessage(client->data.data32[0], client->data.data32[1],
                              static_cast<intptr_t>(client->data.data32[2]));
        }
        return true;
    }

private:
    static Form* FormOfWindow(xcb_window_t window) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->internalWinId() == window) {
                return dynamic_cast<Form*>(widget);
            }
        }
        return nullptr;
    }

    const xcb_atom_t atom_;
};

void InstallFilter(xcb_connection_t* conn) {
    static bool installed = false;
    if (installed) {
        return;
    }
    xcb_atom_t atom = x11::Atom(conn, KBWATCH_MESSAGE_ATOM);
    if (atom == XCB_ATOM_NONE) {
        return;
    }
    static ClientMessageFilter filter(atom);
    qApp->installNativeEventFilter(&filter);
    installed = true;
}

}  // namespace

unsigned long WindowHandle(Form* form) {
    xcb_connection_t* conn = x11::QtConnection();
    if (!form || !conn) {
        return 0;
    }
    InstallFilter(conn);
    return static_cast<unsigned long>(form->winId());
}

}  // namespace platform
