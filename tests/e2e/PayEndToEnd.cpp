// The two roads of taking money, through the real VelPay on a private X server: key 1 and a
// micro pay typed with xdotool, key 2 and the QR code of a code pay read back from a screenshot.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include <unistd.h>

#include "ChildProcess.h"
#include "FakeGateway.h"
#include "FakeGatewayPaths.h"
#include "QzIniFile.h"
#include "TextCodec.h"
#include "XServer.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The text of a reply element as the gateway sent it.
std::string ReplyField(const std::string& reply, const std::string& name) {
    const size_t start = reply.find("<" + name + "><![CDATA[");
    if (start == std::string::npos) {
        return {};
    }
    const size_t value = start + name.size() + 11;
    return reply.substr(value, reply.find("]]>", value) - value);
}

// A till that has been set up for the fake gateway's store and prints to a file: its program
// folder with VelPay, the hook library, Config/Config.ini and Parameter/Parameter.dat. The
// program is a copy under a name of its own: one instance of a name runs on a machine, and
// other tests start VelPay too.
class SetUpTill {
public:
    explicit SetUpTill(const FakeGateway& gateway) : name_("VelPay" + std::to_string(getpid())) {
        std::string pattern = (fs::temp_directory_path() / "velpay-pay-e2e-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("cannot make a temporary folder");
        }
        path_ = pattern;
        fs::copy_file(VELPAY_EXE, path_ / name_);
        fs::copy_file(KBWATCH_LIB, path_ / fs::path(KBWATCH_LIB).filename());
        fs::create_directories(path_ / "Config");
        fs::create_directories(path_ / "Parameter");

        TIniFile config((path_ / "Config/Config.ini").string());
        config.WriteString("系统设置", "BaseUrl", gateway.BaseUrl());
        config.WriteString("系统设置", "LogLevel", "1");
        config.WriteString("打印设置", "PrinterType", "1");
        config.WriteString("打印设置", "PrinterPort", Port().string());

        SaveFakeGatewayStore(path_.string() + "/");
    }
    // The payment dialogs take the amount from the cash-register window so captioned.
    void ReadAmountFrom(const std::string& title, int order, const std::string& className) {
        TIniFile config((path_ / "Config/Config.ini").string());
        config.WriteString("获取外部金额", "IsUse", "1");
        config.WriteString("获取外部金额", "Title", title);
        config.WriteString("获取外部金额", "Order", std::to_string(order));
        config.WriteString("获取外部金额", "ClassName", className);
    }
    ~SetUpTill() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }
    fs::path Program() const { return path_ / name_; }
    // The main window's caption as a pattern for xdotool.
    std::string MainCaption() const { return "^海川微信支付收银系统1\\.0\\.5\\[" + name_ + "\\]$"; }
    fs::path Port() const { return path_ / "LPT1"; }
    fs::path Boxes() const { return path_ / "boxes.txt"; }

private:
    std::string name_;
    fs::path path_;
};

class PayEndToEnd : public ::testing::Test {
protected:
    PayEndToEnd() : x_(XServer::WindowManagerInstalled()), till_(gateway_) {}
    ~PayEndToEnd() override {
        StopProcess(pid_);
        desktop_.clear();
    }

    // A session bus and the accessibility bus on the X server, as a user's session has them,
    // and the stand-in cash register showing the amount due on it.
    void StartCashRegister(const std::vector<std::string>& layout, const std::string& title) {
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
        std::vector<std::string> argv{CASH_REGISTER_EXE};
        argv.insert(argv.end(), layout.begin(), layout.end());
        options.env.push_back("QT_QPA_PLATFORM=xcb");
        desktop_.push_back(std::make_unique<ChildProcess>(argv, options));
        ASSERT_FALSE(WaitForWindow("^" + title + "$").empty());
    }

    // Starts VelPay and signs cashier 1001 in; the main window's X id.
    std::string StartSignedIn() {
        std::vector<std::string> env{"DISPLAY=" + x_.Display(), "QT_QPA_PLATFORM=xcb",
                                     "VELPAY_TEST_MESSAGEBOXES=" + till_.Boxes().string()};
        env.insert(env.end(), desktopEnv_.begin(), desktopEnv_.end());
        pid_ = SpawnProcess({till_.Program().string()}, env);
        EXPECT_GT(pid_, 0);
        const std::string login = WaitForWindow("^登录$");
        if (login.empty()) {
            ADD_FAILURE() << "no sign-in dialog; boxes: " << ReadFile(till_.Boxes());
            return {};
        }
        Focus(login);
        TypeLine("1001");
        TypeLine("123456");
        const std::string main = WaitForWindow(till_.MainCaption());
        EXPECT_FALSE(main.empty()) << ReadFile(till_.Boxes());
        return main;
    }

    // The X window of the visible window whose caption matches pattern, waited for up to 20 s;
    // "" when it never comes.
    std::string WaitForWindow(const std::string& pattern) {
        std::string found;
        WaitFor(20, [&] {
            const std::string out =
                x_.Run({"xdotool", "search", "--onlyvisible", "--name", pattern}).out;
            found = out.substr(0, out.find('\n'));
            return !found.empty();
        });
        return found;
    }
    bool WaitForNoWindow(const std::string& pattern) {
        return WaitFor(20, [&] {
            return x_.Run({"xdotool", "search", "--onlyvisible", "--name", pattern}).out.empty();
        });
    }
    bool WaitForActive(const std::string& window, int seconds = 20) {
        return WaitFor(seconds, [&] {
            const std::string out = x_.Run({"xdotool", "getactivewindow"}).out;
            return out.substr(0, out.find('\n')) == window;
        });
    }
    static bool WaitFor(int seconds, const std::function<bool()>& check) {
        const auto deadline = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < deadline) {
            if (check()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // Every window brings itself to the front when it opens, so the typing goes into it.
    void Focus(const std::string& window) {
        if (!WaitForActive(window, 5)) {
            ADD_FAILURE() << "window " << window << " did not come to the front";
            x_.Run({"xdotool", "windowfocus", "--sync", window});
        }
    }
    void Type(const std::string& text) { x_.Run({"xdotool", "type", "--delay", "15", text}); }
    void Key(const std::string& key) { x_.Run({"xdotool", "key", key}); }
    void TypeLine(const std::string& text) {
        Type(text);
        Key("Return");
    }

    // A picture of the window, kept with the test's artifacts; its path.
    std::string Screenshot(const std::string& window, const std::string& name) {
        fs::create_directories(ARTIFACTS_DIR);
        const std::string file = std::string(ARTIFACTS_DIR) + "/" + name + ".png";
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it paint
        EXPECT_EQ(x_.Run({"import", "-window", window, file}).status, 0);
        EXPECT_TRUE(fs::exists(file)) << file;
        return file;
    }

    std::string Boxes() const { return ReadFile(till_.Boxes()); }

    XServer x_;
    FakeGateway gateway_;
    SetUpTill till_;
    pid_t pid_ = -1;
    std::vector<std::string> desktopEnv_;
    std::vector<std::unique_ptr<ChildProcess>> desktop_;
};

}  // namespace

TEST_F(PayEndToEnd, KeyOneTakesAMicroPayPrintsTheReceiptAndReturnsToTheMainWindow) {
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    Focus(main);
    Key("1");
    const std::string pay = WaitForWindow("^刷卡支付$");
    ASSERT_FALSE(pay.empty()) << Boxes();
    Focus(pay);
    TypeLine("12.34");
    Type("134567890123456789");
    Screenshot(pay, "e2e_micro_pay");
    Key("Return");

    ASSERT_TRUE(WaitForNoWindow("^刷卡支付$")) << Boxes();
    EXPECT_TRUE(WaitForActive(main)) << "the main window is back in front";
    EXPECT_EQ(Boxes(), "提示|收款成功：应付12.34元,微信支付优惠0.00元,实付12.34元。|64\n");

    const auto pays = gateway_.Requests("microPay");
    ASSERT_EQ(pays.size(), 1u);
    EXPECT_TRUE(pays[0].problems.empty()) << pays[0].problems.front();
    EXPECT_EQ(pays[0].sign_ok, true);
    EXPECT_EQ(pays[0].fields.at("total_fee"), "1234");
    EXPECT_EQ(pays[0].fields.at("auth_code"), "134567890123456789");
    EXPECT_EQ(pays[0].fields.at("syy_id"), "1001");

    const std::string receipt = platform::GbkToUtf8(ReadFile(till_.Port()));
    const std::string head =
        "          微信支付小票\r\n\r\n所属商户:海川测试商户\r\n"
        "门店名称:测试门店一号\r\n收银员编号:1001\r\n\r\n商户订单号:" +
        ReplyField(pays[0].reply_body, "out_trade_no") +
        "\r\n微信订单号:" + ReplyField(pays[0].reply_body, "transaction_id") +
        "\r\n应付金额:12.34元\r\n微信支付优惠:0.00元\r\n实付金额:12.34元\r\n"
        "\r\n打印时间:";
    ASSERT_EQ(receipt.substr(0, head.size()), head);
    std::string tail = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)";
    for (int line = 13; line <= 28; ++line) {
        tail += "\r\n";
    }
    EXPECT_TRUE(std::regex_match(receipt.substr(head.size()), std::regex(tail)));
}

TEST_F(PayEndToEnd, APendingMicroPayIsSettledFromThePromptWithEnter) {
    gateway_.Script("microPay", R"([{"fields": {"result": "1", "errcode": "USERPAYING",
                                                "out_trade_no": "E2E1"}}])");
    gateway_.Script("orderQuery", R"([{"fields": {"trade_state": "SUCCESS", "total_fee": "500",
                                                  "transaction_id": "W2E1"}}])");
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    Focus(main);
    Key("1");
    const std::string pay = WaitForWindow("^刷卡支付$");
    ASSERT_FALSE(pay.empty()) << Boxes();
    Focus(pay);
    TypeLine("5");
    TypeLine("134567890123456789");

    const std::string prompt = WaitForWindow("^支付结果$");
    ASSERT_FALSE(prompt.empty()) << Boxes();
    Focus(prompt);
    Screenshot(prompt, "e2e_pay_result_prompt");
    Key("Return");
    ASSERT_TRUE(WaitForNoWindow("^刷卡支付$")) << Boxes();
    EXPECT_EQ(Boxes(), "提示|收款成功：应付金额5.00元,微信支付优惠0.00元,实付金额5.00元。|64\n");
    const auto queries = gateway_.Requests("orderQuery");
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].fields.at("out_trade_no"), "E2E1");
    EXPECT_NE(platform::GbkToUtf8(ReadFile(till_.Port())).find("微信订单号:W2E1\r\n"),
              std::string::npos);
}

TEST_F(PayEndToEnd, TheAmountComesFromTheCashRegisterWindowWhenSwitchedOn) {
    // Controls in pre-order: 0 the label, 1 the amount due.
    StartCashRegister({"--window=收银台 POS", "label=应收", "edit=36.50"}, "收银台 POS");
    till_.ReadAmountFrom("收银台", 1, "text");
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    Focus(main);
    Key("1");
    const std::string pay = WaitForWindow("^刷卡支付$");
    ASSERT_FALSE(pay.empty()) << Boxes();
    Focus(pay);
    Screenshot(pay, "e2e_micro_pay_external_amount");
    Key("Return");  // the amount is there: on to the code
    TypeLine("134567890123456789");
    ASSERT_TRUE(WaitForNoWindow("^刷卡支付$")) << Boxes();
    const auto pays = gateway_.Requests("microPay");
    ASSERT_EQ(pays.size(), 1u);
    EXPECT_EQ(pays[0].fields.at("total_fee"), "3650");
}

TEST_F(PayEndToEnd, KeyTwoShowsAQRCodeThatReadsAsTheOrdersPaymentURL) {
    const std::string main = StartSignedIn();
    ASSERT_FALSE(main.empty());
    Focus(main);
    Key("2");
    const std::string amount = WaitForWindow("^扫码支付$");
    ASSERT_FALSE(amount.empty()) << Boxes();
    Focus(amount);
    TypeLine("25.5");

    const std::string detail = WaitForWindow("^扫码支付二维码$");
    ASSERT_FALSE(detail.empty()) << Boxes();
    const auto orders = gateway_.Requests("unifiedOrder");
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_EQ(orders[0].fields.at("total_fee"), "2550");
    EXPECT_EQ(orders[0].sign_ok, true);
    const std::string shot = Screenshot(detail, "e2e_code_pay_qr");
    const auto read = x_.Run({"zbarimg", "--raw", "-q", shot}, 20000);
    EXPECT_EQ(read.out.substr(0, read.out.find('\n')),
              ReplyField(orders[0].reply_body, "code_url"));

    Focus(detail);
    Key("Escape");  // closes the order at the gateway, then both dialogs
    ASSERT_TRUE(WaitForNoWindow("^扫码支付")) << Boxes();
    EXPECT_TRUE(WaitForActive(main));
    EXPECT_EQ(Boxes(), "提示|订单已经关闭。|64\n");
    const auto closes = gateway_.Requests("closeOrder");
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].fields.at("out_trade_no"),
              ReplyField(orders[0].reply_body, "out_trade_no"));
}
