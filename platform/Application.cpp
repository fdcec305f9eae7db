#include "Application.h"

#include <QKeyEvent>

#include <exception>

#include "Form.h"
#include "MessageBox.h"

namespace platform {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // The main form decides when the program ends, not the last window that closes.
    setQuitOnLastWindowClosed(false);
}

namespace {

std::string& TitleText() {
    static std::string title;
    return title;
}

}  // namespace

// Not Qt's application display name: on X11 Qt appends that to every window's caption, and the
// captions must stay exactly as set (the updater finds the client's window by its caption).
void Application::SetTitle(const std::string& title) {
    TitleText() = title;
}

std::string Application::Title() {
    return TitleText().empty() ? applicationName().toStdString() : TitleText();
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
            receiver->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(receiver);
            if (auto* form = dynamic_cast<Form*>(widget->window())) {
                if (form->PreviewKey(widget, static_cast<QKeyEvent*>(event))) {
                    return true;
                }
            }
        }
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), Title(), MB_ICONERROR);
        return false;
    }
}

}  // namespace platform
