#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>

#include "Form.h"
#include "QzHotKey.h"
#include "X11Session.h"

using namespace platform;

namespace {

// The X window that has the keyboard focus, as the server tells it (in decimal, as xdotool).
std::string FocusedWindow() {
    const auto r = Session().Run({"xdotool", "getwindowfocus"});
    return r.out.substr(0, r.out.find('\n'));
}

std::string IdOf(QWidget& w) {
    return std::to_string(w.winId());
}

void Pump(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

}  // namespace

TEST(ForceForegroundWindow, TakesTheFocusFromAnotherProgram) {
    Form till;
    till.setWindowTitle("till");
    till.resize(200, 100);
    till.show();
    Pump(200);

    pid_t other = SpawnProcess({"xmessage", "-name", "Intruder", "another program"},
                               {"DISPLAY=" + Session().Display()});
    ASSERT_GT(other, 0);
    XServer::Result found;
    for (int i = 0; i < 100 && found.out.empty(); ++i) {
        found = Session().Run({"xdotool", "search", "--onlyvisible", "--classname", "Intruder"});
    }
    ASSERT_FALSE(found.out.empty());
    Session().Run(
        {"xdotool", "windowactivate", "--sync", found.out.substr(0, found.out.find('\n'))});
    Session().Run({"xdotool", "windowfocus", "--sync", found.out.substr(0, found.out.find('\n'))});
    ASSERT_NE(FocusedWindow(), IdOf(till));

    EXPECT_TRUE(ForceForegroundWindow(&till));
    EXPECT_EQ(FocusedWindow(), IdOf(till));
    StopProcess(other);
}

TEST(ForceForegroundWindow, MovesBetweenTheProgramsOwnWindows) {
    Form first;
    Form second;
    first.resize(200, 100);
    second.resize(200, 100);
    first.show();
    second.show();
    EXPECT_TRUE(ForceForegroundWindow(&first));
    EXPECT_EQ(FocusedWindow(), IdOf(first));
    EXPECT_TRUE(ForceForegroundWindow(&second));
    EXPECT_EQ(FocusedWindow(), IdOf(second));
}

TEST(ForceForegroundWindow, RestoresAMinimisedWindowAndRefusesAHiddenOne) {
    Form till;
    till.resize(200, 100);
    till.show();
    Pump(100);
    till.showMinimized();
    Pump(300);
    EXPECT_TRUE(ForceForegroundWindow(&till));
    EXPECT_FALSE(till.isMinimized());

    till.hide();
    EXPECT_FALSE(ForceForegroundWindow(&till));
}
