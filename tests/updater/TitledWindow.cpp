// A program with one top-level window of a given title, standing in for the client the updater
// closes. Usage: titled_window TITLE MODE, where MODE is
//   shown     the window stays on the screen
//   hidden    the window is shown, then hidden as a program hidden to the tray hides it; only
//             then does it take its title
//   stubborn  the window refuses to close
// The program ends once its window has accepted a close request, and after a minute in any case,
// so that one a test could not close does not outlive it for long.
#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <QWidget>

#include <cstring>

namespace {

class TitledWindow : public QWidget {
public:
    explicit TitledWindow(bool stubborn) : stubborn_(stubborn) { resize(240, 80); }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (stubborn_) {
            event->ignore();
            return;
        }
        event->accept();
        QTimer::singleShot(0, qApp, &QApplication::quit);
    }

private:
    bool stubborn_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const QString title = QString::fromUtf8(argv[1]);
    const bool hidden = std::strcmp(argv[2], "hidden") == 0;
    TitledWindow window(std::strcmp(argv[2], "stubborn") == 0);
    window.setWindowTitle(hidden ? QStringLiteral("starting") : title);
    window.show();
    if (hidden) {
        QTimer::singleShot(300, &window, [&window, title] {
            window.hide();
            window.setWindowTitle(title);
        });
    }
    QTimer::singleShot(60000, &app, &QApplication::quit);
    return app.exec();
}
