#include "Foreground.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

namespace platform {

bool BringToFront(QWidget* window) {
    if (!window) {
        return false;
    }
    if (window->isMinimized()) {
        window->showNormal();
    }
    window->raise();
    window->activateWindow();
    // The window manager answers asynchronously; give it a moment before telling.
    QElapsedTimer timer;
    timer.start();
    while (!window->isActiveWindow() && timer.elapsed() < 200) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return window->isActiveWindow();
}

}  // namespace platform
