#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <memory>

#include "ChildProcess.h"
#include "ServiceControl.h"
#include "SystemdUnit.h"

namespace {

using namespace std::chrono_literals;

TEST(SystemdUnitName, ServiceIsAddedOnlyWithoutAUnitSuffix) {
    EXPECT_EQ(platform::SystemdUnitName("velpay"), "velpay.service");
    EXPECT_EQ(platform::SystemdUnitName("velpay.service"), "velpay.service");
    EXPECT_EQ(platform::SystemdUnitName("velpay.socket"), "velpay.socket");
    EXPECT_EQ(platform::SystemdUnitName("pay.timer"), "pay.timer");
    EXPECT_EQ(platform::SystemdUnitName("pay-2.0"), "pay-2.0.service");
    EXPECT_EQ(platform::SystemdUnitName(".service"), ".service.service");
}

const char* const kPrelude =
    "import dbus, sys\n"
    "bus = dbus.SystemBus()\n"
    "manager = bus.get_object('org.freedesktop.systemd1', '/org/freedesktop/systemd1')\n"
    "def unit(name):\n"
    "    return bus.get_object('org.freedesktop.systemd1',\n"
    "        '/org/freedesktop/systemd1/unit/' + name.replace('.', '_').replace('-', '_'))\n"
    "MOCK = 'org.freedesktop.DBus.Mock'\n"
    "UNIT = 'org.freedesktop.systemd1.Unit'\n";

// A private bus standing in for the system bus (DBUS_SYSTEM_BUS_ADDRESS), and on it, fresh for
// every test, python3-dbusmock's systemd template with the unit "velpay.service".
class ServiceControlTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        ChildProcess::Options options;
        options.reportOnFd3 = true;
        bus_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--print-address=3"},
            options);
        address_ = bus_->ReadReport(10000);
        const char* saved = getenv("DBUS_SYSTEM_BUS_ADDRESS");
        savedAddress_ = saved ? std::make_unique<std::string>(saved) : nullptr;
        setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
    }
    static void TearDownTestSuite() {
        if (savedAddress_) {
            setenv("DBUS_SYSTEM_BUS_ADDRESS", savedAddress_->c_str(), 1);
        } else {
            unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        }
        bus_.reset();
    }

protected:
    void SetUp() override {
        ASSERT_FALSE(address_.empty()) << "the private bus did not start";
        systemd_ = std::make_unique<ChildProcess>(std::vector<std::string>{
            "/usr/bin/python3", "-m", "dbusmock", "--template", "systemd"});
        ASSERT_TRUE(WaitUntil(
            [] {
                return Python(
                           "sys.exit(0 if bus.name_has_owner('org.freedesktop.systemd1') "
                           "else 1)") == 0;
            },
            10000));
        ASSERT_EQ(Python("manager.AddMockUnit('velpay.service', dbus_interface=MOCK)"), 0);
    }
    void TearDown() override { systemd_.reset(); }

    static int Python(const std::string& code) {
        return RunProgram({"/usr/bin/python3", "-c", std::string(kPrelude) + code}, 10000).status;
    }
    static void SetState(const std::string& state) {
        ASSERT_EQ(Python("unit('velpay.service').UpdateProperties(UNIT, {'ActiveState': '" + state +
                         "'}, dbus_interface=MOCK)"),
                  0);
    }
    // Makes systemd answer a stop or start request by leaving the unit in State.
    static void Answer(const std::string& method, const std::string& state) {
        std::string code =
            "objects['/org/freedesktop/systemd1/unit/velpay_service'].UpdateProperties("
            "'org.freedesktop.systemd1.Unit', {'ActiveState': '" +
            state + "'}); ret = '/org/freedesktop/systemd1/job/7'";
        ASSERT_EQ(Python("manager.AddMethod('org.freedesktop.systemd1.Manager', '" + method +
                         "', 'ss', 'o', \"" + code + "\", dbus_interface=MOCK)"),
                  0);
    }
    static std::string State() { return platform::SystemdUnitState("velpay.service"); }

    // Short waits: the mock answers at once, and a stuck unit must not hold the test a minute.
    static TServiceLimits Short() { return TServiceLimits{50ms, 400ms}; }

    static std::unique_ptr<ChildProcess> bus_;
    static std::string address_;
    static std::unique_ptr<std::string> savedAddress_;
    std::unique_ptr<ChildProcess> systemd_;
};

std::unique_ptr<ChildProcess> ServiceControlTest::bus_;
std::string ServiceControlTest::address_;
std::unique_ptr<std::string> ServiceControlTest::savedAddress_;

TEST_F(ServiceControlTest, StopsARunningUnitNamedWithoutSuffix) {
    SetState("active");
    EXPECT_TRUE(StopServiceByName("velpay", Short()));
    EXPECT_EQ(State(), "inactive");
}

TEST_F(ServiceControlTest, StartsAStoppedUnit) {
    EXPECT_TRUE(StartServiceByName("velpay.service", Short()));
    EXPECT_EQ(State(), "active");
}

TEST_F(ServiceControlTest, StartingAnActiveUnitFails) {
    SetState("active");
    EXPECT_FALSE(StartServiceByName("velpay", Short()));
}

TEST_F(ServiceControlTest, UnitThatFailedCountsAsStopped) {
    SetState("active");
    Answer("StopUnit", "failed");
    EXPECT_TRUE(StopServiceByName("velpay", Short()));
}

TEST_F(ServiceControlTest, UnitThatFailedToStartIsNotStarted) {
    Answer("StartUnit", "failed");
    EXPECT_FALSE(StartServiceByName("velpay", Short()));
}

TEST_F(ServiceControlTest, UnitStuckDeactivatingFailsTheStopAtTheBound) {
    SetState("active");
    Answer("StopUnit", "deactivating");
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(StopServiceByName("velpay", Short()));
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, 400ms);
    EXPECT_LT(took, 5s);
}

TEST_F(ServiceControlTest, UnitStuckActivatingFailsTheStartAtTheBound) {
    Answer("StartUnit", "activating");
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(StartServiceByName("velpay", Short()));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST_F(ServiceControlTest, PendingThenDoneIsWaitedFor) {
    SetState("active");
    Answer("StopUnit", "deactivating");
    // systemd finishes the stop a little later.
    ChildProcess later({"/usr/bin/python3", "-c",
                        std::string("import time\ntime.sleep(0.2)\n") + kPrelude +
                            "unit('velpay.service').UpdateProperties(UNIT, {'ActiveState': "
                            "'inactive'}, dbus_interface=MOCK)"});
    EXPECT_TRUE(StopServiceByName("velpay", TServiceLimits{50ms, 5000ms}));
}

TEST_F(ServiceControlTest, UnknownUnitFailsBothWays) {
    EXPECT_FALSE(StopServiceByName("nosuch", Short()));
    EXPECT_FALSE(StartServiceByName("nosuch", Short()));
}

TEST_F(ServiceControlTest, NoBusFailsBothWays) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
    bool stopped = StopServiceByName("velpay", Short());
    bool started = StartServiceByName("velpay", Short());
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
    EXPECT_FALSE(stopped);
    EXPECT_FALSE(started);
}

}  // namespace
