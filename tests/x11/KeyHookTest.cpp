#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>

#include <vector>

#include "Form.h"
#include "KbWatch.h"
#include "NativeWindow.h"
#include "X11Session.h"

using namespace platform;

namespace {

struct Message {
    unsigned msg;
    uintptr_t wParam;
    intptr_t lParam;
};

// A window that records the messages its WndProc gets.
class Probe : public Form {
public:
    std::vector<Message> messages;

protected:
    void WndProc(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
        messages.push_back({msg, wParam, lParam});
    }
};

// Pumps events until the probe holds count messages or ms have passed.
bool WaitForMessages(const Probe& probe, size_t count, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (probe.messages.size() < count && timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return probe.messages.size() >= count;
}

void Key(const char* name) {
    Session().Run({"xdotool", "key", name});
}

constexpr intptr_t kReleased = 0x80000000;

class KeyHook : public ::testing::Test {
protected:
    void TearDown() override { StopKeyHook(); }
};

}  // namespace

TEST_F(KeyHook, PostsEveryKeyStruckOnTheDisplayToTheWindow) {
    Probe probe;
    probe.show();
    ASSERT_NE(StartKeyHook(WindowHandle(&probe), 0x464), 0);

    Key("Escape");
    ASSERT_TRUE(WaitForMessages(probe, 2));
    EXPECT_EQ(probe.messages[0].msg, 0x464u);
    EXPECT_EQ(probe.messages[0].wParam, 0x1Bu);
    EXPECT_EQ(probe.messages[0].lParam & kReleased, 0) << "a press";
    EXPECT_EQ(probe.messages[0].lParam & 0xFFFF, 1) << "repeat count";
    EXPECT_EQ(probe.messages[1].wParam, 0x1Bu);
    EXPECT_NE(probe.messages[1].lParam & kReleased, 0) << "a release";

    probe.messages.clear();
    Key("1");
    Key("a");
    Key("F5");
    ASSERT_TRUE(WaitForMessages(probe, 6));
    EXPECT_EQ(probe.messages[0].wParam, 0x31u);
    EXPECT_EQ(probe.messages[2].wParam, 0x41u) << "letters by their upper-case code";
    EXPECT_EQ(probe.messages[4].wParam, 0x74u);
}

TEST_F(KeyHook, KeysReachTheWindowWhileAnotherProgramHasTheFocus) {
    Probe probe;
    probe.show();
    pid_t other = SpawnProcess({"xmessage", "-name", "OtherProgram", "another program"},
                               {"DISPLAY=" + Session().Display()});
    ASSERT_GT(other, 0);
    XServer::Result found;
    for (int i = 0; i < 100 && found.out.empty(); ++i) {
        found =
            Session().Run({"xdotool", "search", "--onlyvisible", "--classname", "OtherProgram"});
    }
    ASSERT_FALSE(found.out.empty());
    const std::string otherWindow = found.out.substr(0, found.out.find('\n'));
    Session().Run({"xdotool", "windowfocus", "--sync", otherWindow});

    ASSERT_NE(StartKeyHook(WindowHandle(&probe), 0x464), 0);
    Key("Escape");
    EXPECT_TRUE(WaitForMessages(probe, 2));
    StopProcess(other);
}

TEST_F(KeyHook, StoppedHookPostsNothingAndStopsAreHarmless) {
    Probe probe;
    probe.show();
    ASSERT_NE(StartKeyHook(WindowHandle(&probe), 0x464), 0);
    StopKeyHook();
    StopKeyHook();
    Key("Escape");
    EXPECT_FALSE(WaitForMessages(probe, 1, 500));
}

TEST_F(KeyHook, MovesToTheWindowItWasLastStartedOn) {
    Probe first;
    Probe second;
    first.show();
    second.show();
    ASSERT_NE(StartKeyHook(WindowHandle(&first), 0x464), 0);
    ASSERT_NE(StartKeyHook(WindowHandle(&second), 0x464), 0);
    Key("Escape");
    EXPECT_TRUE(WaitForMessages(second, 2));
    EXPECT_TRUE(first.messages.empty());
}

TEST_F(KeyHook, RefusesAWindowThatDoesNotExist) {
    EXPECT_EQ(StartKeyHook(0, 0x464), 0);
    EXPECT_EQ(StartKeyHook(0x7FFFFFF0, 0x464), 0);
}
