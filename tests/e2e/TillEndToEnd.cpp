#include "TillEndToEnd.h"

#include <chrono>
#include <regex>
#include <thread>
#include <utility>

#include <unistd.h>

#include "FakeGatewayPaths.h"
#include "QzIniFile.h"
#include "TemporaryFolder.h"
#include "TextCodec.h"

namespace fs = std::filesystem;

namespace {

// An object of the desktop's accessibility tree: the bus name of the program that shows it and
// its path there.
struct Accessible {
    std::string owner;
    std::string path;
};

const Accessible kDesktop{"org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"};
const std::string kAccessible = "org.a11y.atspi.Accessible";
const std::string kProperty = "org.freedesktop.DBus.Properties.Get";

// The desktop's accessibility tree, asked with gdbus. A program answers from its own event
// loop, so an answer tells what it has handled of the events that came before the question.
class AccessibilityTree {
public:
    AccessibilityTree(const XServer& x, std::string bus) : x_(x), bus_(std::move(bus)) {}

    // The answer as gdbus prints it, on one line; "" when the call fails.
    std::string Ask(const Accessible& object, const std::vector<std::string>& call) const {
        std::vector<std::string> argv{"gdbus",   "call",       "--address",     bus_,
                                      "--dest",  object.owner, "--object-path", object.path,
                                      "--method"};
        argv.insert(argv.end(), call.begin(), call.end());
        const XServer::Result result = x_.Run(argv);
        return result.status == 0 ? result.out.substr(0, result.out.find('\n')) : std::string();
    }
    std::vector<Accessible> Children(const Accessible& parent) const {
        static const std::regex child(R"(\('([^']+)', (?:objectpath )?'([^']+)'\))");
        const std::string out = Ask(parent, {kAccessible + ".GetChildren"});
        std::vector<Accessible> children;
        for (std::sregex_iterator it(out.begin(), out.end(), child), end; it != end; ++it) {
            children.push_back({(*it)[1], (*it)[2]});
        }
        return children;
    }

private:
    const XServer& x_;
    std::string bus_;
};

// Whether a state set as GetState prints it holds "active".
bool HoldsActive(const std::string& states) {
    constexpr unsigned long kActive = 1ul << 1;  // in the first of the set's two words
    static const std::regex firstWord(R"(uint32 (\d+))");
    std::smatch word;
    return std::regex_search(states, word, firstWord) && (std::stoul(word[1]) & kActive) != 0;
}

}  // namespace

// The text of a reply element as the gateway sent it.
std::string ReplyField(const std::string& reply, const std::string& name) {
    const size_t start = reply.find("<" + name + "><![CDATA[");
    if (start == std::string::npos) {
        return {};
    }
    const size_t value = start + name.size() + 11;
    return reply.substr(value, reply.find("]]>", value) - value);
}

SetUpTill::SetUpTill(const FakeGateway& gateway) : name_("VelPay" + std::to_string(getpid())) {
    path_ = MakeTemporaryFolder("velpay-pay-e2e-");
    fs::copy_file(VELPAY_EXE, path_ / name_);
    fs::copy_file(KBWATCH_LIB, path_ / fs::path(KBWATCH_LIB).filename());
    fs::create_directories(path_ / "Config");
    fs::create_directories(path_ / "Parameter");

    Configure("系统设置", "BaseUrl", gateway.BaseUrl());
    Configure("系统设置", "LogLevel", "1");
    Configure("打印设置", "PrinterType", "1");
    Configure("打印设置", "PrinterPort", Port().string());

    SaveFakeGatewayStore(path_.string() + "/");
}

void SetUpTill::Configure(const std::string& section, const std::string& key,
                          const std::string& value) const {
    TIniFile((path_ / "Config/Config.ini").string()).WriteString(section, key, value);
}

void SetUpTill::ReadAmountFrom(const std::string& title, int order,
                               const std::string& className) const {
    Configure("获取外部金额", "IsUse", "1");
    Configure("获取外部金额", "Title", title);
    Configure("获取外部金额", "Order", std::to_string(order));
    Configure("获取外部金额", "ClassName", className);
}

SetUpTill::~SetUpTill() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

TillEndToEnd::TillEndToEnd() : x_(XServer::WindowManagerInstalled()), till_(gateway_) {}
TillEndToEnd::TillEndToEnd(const std::string& screen)
    : x_(XServer::WindowManagerInstalled(), screen), till_(gateway_) {}
TillEndToEnd::~TillEndToEnd() {
    StopTill();
    desktop_.clear();
}

// A session bus and the accessibility bus on the X server, as a user's session has them,
// and the stand-in cash register showing the amount due on it.
void TillEndToEnd::StartCashRegister(const std::vector<std::string>& layout,
                                     const std::string& title) {
    const std::string run = (till_.Path() / "run").string();
    fs::create_directories(run);
    fs::permissions(run, fs::perms::owner_all);
    const std::string display = x_.Display().substr(1);
    desktopEnv_ = {"DISPLAY=" + x_.Display(), "XDG_RUNTIME_DIR=" + run,
                   "DBUS_SESSION_BUS_ADDRESS=unix:path=" + run + "/bus"};
    ChildProcess::Options options;
    options.env = desktopEnv_;
    desktop_.push_back(std::make_unique<ChildProcess>(
        std::vector<std::string>{"dbus-daemon", "--session", "--nofork",
                                 "--address=unix:path=" + run + "/bus"},
        options));
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(run + "/bus"); }, 10000));
    desktop_.push_back(std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"},
        options));
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(run + "/at-spi/bus_" + display); }, 10000))
        << "the accessibility bus did not come up";
    accessibilityBus_ = "unix:path=" + run + "/at-spi/bus_" + display;
    std::vector<std::string> argv{CASH_REGISTER_EXE};
    argv.insert(argv.end(), layout.begin(), layout.end());
    // Into the accessibility tree whatever the session answers when asked (it may not, in time).
    options.env.push_back("QT_QPA_PLATFORM=xcb");
    options.env.push_back("QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1");
    desktop_.push_back(std::make_unique<ChildProcess>(argv, options));
    ASSERT_FALSE(WaitForWindow("^" + title + "$").empty());
}

// Starts VelPay and signs cashier 1001 in; the main window's X id.
std::string TillEndToEnd::StartSignedIn(const std::string& password) {
    std::vector<std::string> env{"DISPLAY=" + x_.Display(), "QT_QPA_PLATFORM=xcb",
                                 "VELPAY_TEST_MESSAGEBOXES=" + till_.Boxes().string()};
    env.insert(env.end(), desktopEnv_.begin(), desktopEnv_.end());
    if (!accessibilityBus_.empty()) {
        // In the tree too, so that a test can ask which window the till itself holds active.
        env.push_back("QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1");
    }
    pid_ = SpawnProcess({till_.Program().string()}, env);
    EXPECT_GT(pid_, 0);
    return SignIn(password);
}

std::string TillEndToEnd::SignIn(const std::string& password) {
    const std::string login = WaitForWindow("^登录$");
    if (login.empty()) {
        ADD_FAILURE() << "no sign-in dialog; boxes: " << Boxes();
        return {};
    }
    Focus(login);
    TypeLine("1001");
    TypeLine(password);
    const std::string main = WaitForWindow(till_.MainCaption());
    EXPECT_FALSE(main.empty()) << Boxes();
    return main;
}

void TillEndToEnd::StopTill() {
    StopProcess(pid_);
}

// The X window of the visible window whose caption matches pattern, waited for up to 20 s;
// "" when it never comes.
std::string TillEndToEnd::WaitForWindow(const std::string& pattern) {
    return x_.WaitForWindow(pattern);
}

bool TillEndToEnd::WaitForNoWindow(const std::string& pattern) {
    return WaitFor(20, [&] {
        return x_.Run({"xdotool", "search", "--onlyvisible", "--name", pattern}).out.empty();
    });
}

bool TillEndToEnd::WaitForActive(const std::string& window, int seconds) {
    return WaitFor(seconds, [&] {
        const std::string out = x_.Run({"xdotool", "getactivewindow"}).out;
        return out.substr(0, out.find('\n')) == window;
    });
}

bool TillEndToEnd::WaitForHeldActive(const std::string& caption, bool active) {
    const AccessibilityTree tree(x_, accessibilityBus_);
    return WaitFor(20, [&] {
        for (const Accessible& program : tree.Children(kDesktop)) {
            for (const Accessible& window : tree.Children(program)) {
                if (tree.Ask(window, {kProperty, kAccessible, "Name"}) ==
                    "(<'" + caption + "'>,)") {
                    return HoldsActive(tree.Ask(window, {kAccessible + ".GetState"})) == active;
                }
            }
        }
        return false;
    });
}

bool TillEndToEnd::WaitFor(int seconds, const std::function<bool()>& check) {
    return WaitUntil(check, seconds * 1000);
}

// Every window brings itself to the front when it opens, so the typing goes into it.
void TillEndToEnd::Focus(const std::string& window) {
    if (!WaitForActive(window, 5)) {
        ADD_FAILURE() << "window " << window << " did not come to the front";
        x_.Run({"xdotool", "windowfocus", "--sync", window});
    }
}

std::string TillEndToEnd::OpenFromMain(const std::string& main, const std::string& key,
                                       const std::string& caption) {
    Focus(main);
    Key(key);
    const std::string window = WaitForWindow("^" + caption + "$");
    if (window.empty()) {
        ADD_FAILURE() << caption << " did not open; boxes: " << Boxes();
        return {};
    }
    Focus(window);
    return window;
}

void TillEndToEnd::Type(const std::string& text) {
    x_.Type(text);
}

void TillEndToEnd::Key(const std::string& key) {
    x_.Key(key);
}

void TillEndToEnd::TypeLine(const std::string& text) {
    x_.TypeLine(text);
}

// A picture of the window, kept with the test's artifacts; its path.
std::string TillEndToEnd::Screenshot(const std::string& window, const std::string& name) {
    fs::create_directories(ARTIFACTS_DIR);
    const std::string file = std::string(ARTIFACTS_DIR) + "/" + name + ".png";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it paint
    EXPECT_EQ(x_.Run({"import", "-window", window, file}).status, 0);
    EXPECT_TRUE(fs::exists(file)) << file;
    return file;
}

std::vector<std::string> TillEndToEnd::PrintedLines() const {
    const std::string printed = platform::GbkToUtf8(ReadBytes(till_.Port()));
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = printed.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(printed.substr(start, end - start));
    }
    return lines;
}

void TillEndToEnd::ExpectPrinted(const std::vector<std::string>& head) const {
    const std::vector<std::string> lines = PrintedLines();
    ASSERT_EQ(lines.size(), 28u) << ReadBytes(till_.Port());
    for (size_t i = 0; i < head.size(); ++i) {
        EXPECT_EQ(lines[i], head[i]) << "line " << i + 1;
    }
    EXPECT_TRUE(std::regex_match(lines[head.size()],
                                 std::regex(R"(打印时间:\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")))
        << lines[head.size()];
    for (size_t i = head.size() + 1; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], "") << "line " << i + 1;
    }
}
