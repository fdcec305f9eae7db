#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>

#include "Accessibility.h"
#include "ChildProcess.h"
#include "QzExternalAmount.h"

namespace {

constexpr const char* kBusLauncher = "/usr/libexec/at-spi-bus-launcher";

// A desktop of our own for the whole binary: an X server, a session bus and the accessibility
// bus with its registry, as a user's session has them. The reader in this process and the
// stand-in cash register find each other through them.
class AccessibleDesktop {
public:
    AccessibleDesktop() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velpay-a11y-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("cannot make a runtime folder");
        }
        runtimeDir_ = pattern;

        ChildProcess::Options report;
        report.reportOnFd3 = true;
        xvfb_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0",
                                     "800x600x24"},
            report);
        std::string display = xvfb_->ReadReport(10000);
        bus_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--print-address=3"},
            report);
        std::string address = bus_->ReadReport(10000);
        if (display.empty() || address.empty()) {
            throw std::runtime_error("the X server or the session bus did not come up");
        }
        display_ = ":" + display;
        setenv("DISPLAY", display_.c_str(), 1);
        setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", runtimeDir_.c_str(), 1);
        unsetenv("AT_SPI_BUS_ADDRESS");
        launcher_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{kBusLauncher, "--launch-immediately"});
        bool up = WaitUntil(
            [&] { return std::filesystem::exists(runtimeDir_ + "/at-spi/bus_" + display); }, 10000);
        if (!up) {
            throw std::runtime_error("the accessibility bus did not come up");
        }
    }

    ~AccessibleDesktop() {
        launcher_.reset();
        bus_.reset();
        xvfb_.reset();
        std::error_code ec;
        std::filesystem::remove_all(runtimeDir_, ec);
    }

    const std::string& Display() const { return display_; }

private:
    std::string runtimeDir_;
    std::string display_;
    std::unique_ptr<ChildProcess> xvfb_;
    std::unique_ptr<ChildProcess> bus_;
    std::unique_ptr<ChildProcess> launcher_;
};

bool TitleShown(const std::string& title) {
    for (const auto& window : platform::TopLevelWindows()) {
        if (window.Title() == title) {
            return true;
        }
    }
    return false;
}

class ExternalAmount : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* tool : {"Xvfb", "dbus-daemon", kBusLauncher}) {
            if (!ProgramInstalled(tool)) {
                missing_ = tool;
                return;
            }
        }
        desktop_ = std::make_unique<AccessibleDesktop>();
    }
    static void TearDownTestSuite() { desktop_.reset(); }

    void SetUp() override {
        if (!missing_.empty()) {
            GTEST_SKIP() << missing_ << " is not installed (scripts/setup.sh installs it)";
        }
    }

    // Starts the stand-in cash register with the given windows and waits until the desktop
    // shows every one of them.
    void StartCashRegister(const std::vector<std::string>& layout,
                           const std::vector<std::string>& titles) {
        std::vector<std::string> argv{CASH_REGISTER_EXE};
        argv.insert(argv.end(), layout.begin(), layout.end());
        ChildProcess::Options options;
        // Qt asks the session whether accessibility is on; on a busy machine that question can
        // go unanswered, and the program then never joins the accessibility tree.
        options.env = {"QT_QPA_PLATFORM=xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"};
        register_ = std::make_unique<ChildProcess>(argv, options);
        for (const auto& title : titles) {
            ASSERT_TRUE(WaitUntil([&] { return TitleShown(title); }, 20000))
                << "the cash register's window \"" << title << "\" never showed";
        }
    }

    static std::string Amount(const std::string& title, int order, const std::string& className) {
        std::string text = "unchanged";
        GetExternalAmount(nullptr, title, order, className, text);
        return text;
    }

    static inline std::unique_ptr<AccessibleDesktop> desktop_;
    static inline std::string missing_;
    std::unique_ptr<ChildProcess> register_;
};

// Controls in pre-order: 0 the label, 1 the group, 2 the edit inside it, 3 the empty edit,
// 4 the button, 5 the blank edit.
const std::vector<std::string> kTill{"--window=收银台 POS", "label=合计", "group=应收",
                                     "edit=  12.50 ",       "end",        "edit=",
                                     "button=结算",         "edit=   \t "};

TEST_F(ExternalAmount, ReadsTheControlAtOrderWhenItsClassMatches) {
    StartCashRegister(kTill, {"收银台 POS"});
    EXPECT_EQ(Amount("收银台", 2, "text"), "12.50");  // trimmed
    EXPECT_EQ(Amount("POS", 2, "TEXT"), "12.50");     // the class without regard to case
    EXPECT_EQ(Amount("收银台 POS", 0, "label"), "合计");
    EXPECT_EQ(Amount("收银台", 1, "panel"), "应收");  // a control that has children
    EXPECT_EQ(Amount("收银台", 4, "push button"), "结算");
}

TEST_F(ExternalAmount, AnEmptyOrBlankControlGivesZero) {
    StartCashRegister(kTill, {"收银台 POS"});
    EXPECT_EQ(Amount("收银台", 3, "text"), "0");
    EXPECT_EQ(Amount("收银台", 5, "text"), "0");
}

TEST_F(ExternalAmount, NothingWhenTheSearchCannotMatch) {
    StartCashRegister(kTill, {"收银台 POS"});
    EXPECT_EQ(Amount("收银台", 3, "label"), "");  // another class at Order
    EXPECT_EQ(Amount("收银台", 6, "text"), "");   // past the last control
    EXPECT_EQ(Amount("收银台", -1, "text"), "");
    EXPECT_EQ(Amount("", 2, "text"), "");
    EXPECT_EQ(Amount("pos", 2, "text"), "");  // the title with case
    EXPECT_EQ(Amount("别的程序", 2, "text"), "");
}

TEST_F(ExternalAmount, AWrongClassMovesTheSearchToTheNextWindow) {
    StartCashRegister(
        {"--window=收银 A", "label=应收", "edit=5.00", "--window=收银 B", "edit=7.00", "edit=8.00"},
        {"收银 A", "收银 B"});
    EXPECT_EQ(Amount("收银", 1, "text"), "5.00");    // the earlier window yields: it is used
    EXPECT_EQ(Amount("收银", 0, "text"), "7.00");    // A has a label at 0: B is asked
    EXPECT_EQ(Amount("收银 B", 0, "text"), "7.00");  // a later sibling of that class is not
}

TEST(IsAmountText, DigitsAndPointsOnly) {
    EXPECT_TRUE(IsAmountText("12.50"));
    EXPECT_TRUE(IsAmountText("1.2.3"));
    EXPECT_TRUE(IsAmountText(""));
    EXPECT_TRUE(IsAmountText("0"));
    EXPECT_FALSE(IsAmountText("12,50"));
    EXPECT_FALSE(IsAmountText(" 12.50"));
    EXPECT_FALSE(IsAmountText("-5"));
    EXPECT_FALSE(IsAmountText("１２"));  // full-width digits are not digits here
}

// Run alone, with no session bus to be found (see tests/CMakeLists.txt): a till without an
// accessibility bus reads nothing and goes on, instead of ending inside the library.
TEST(ExternalAmountWithoutBus, GivesNothing) {
    if (!getenv("VELPAY_NO_ACCESSIBILITY_BUS")) {
        GTEST_SKIP() << "runs in its own process without a bus";
    }
    std::string text = "unchanged";
    GetExternalAmount(nullptr, "收银", 0, "text", text);
    EXPECT_EQ(text, "");
    EXPECT_TRUE(platform::TopLevelWindows().empty());
}

}  // namespace
