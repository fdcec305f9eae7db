#include <gtest/gtest.h>

#include <unistd.h>

#include <QThread>
#include <QTimer>

#include "Process.h"

using namespace platform;

namespace {

// Ends the test process with SIGALRM when what it guards never returns.
class Watchdog {
public:
    explicit Watchdog(unsigned seconds) { alarm(seconds); }
    ~Watchdog() { alarm(0); }
};

TEST(SleepWithMessages, PauseWhoseEventHandlerOutlastsItReturns) {
    QTimer::singleShot(0, [] { QThread::msleep(60); });
    Watchdog watchdog(30);
    SleepWithMessages(20);
}

}  // namespace
