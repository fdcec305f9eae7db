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

void Application::SetTitle(const std::string& title) {
    QApplication::setApplicationDisplayName(QString::fromStdString(title));
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
        MessageBoxA(nullptr, e.what(), applicationDisplayName().toStdString(), MB_ICONERROR);
        return false;
    }
}

}  // namespace platform
