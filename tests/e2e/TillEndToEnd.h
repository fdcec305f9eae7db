#pragma once

// A till on a private X server for the end-to-end tests: the real VelPay in a program folder of
// its own, set up for the fake gateway's store, printing to a port file, driven with xdotool.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

#include "ChildProcess.h"
#include "FakeGateway.h"
#include "FileBytes.h"
#include "XServer.h"

// The bytes of a file; "" when it cannot be read.

// The text of a reply element as the gateway sent it.
std::string ReplyField(const std::string& reply, const std::string& name);

// A till that has been set up for the fake gateway's store and prints to a file: its program
// folder with VelPay, the hook library, Config/Config.ini and Parameter/Parameter.dat. The
// program is a copy under a name of its own: one instance of a name runs on a machine, and
// other tests start VelPay too.
class SetUpTill {
public:
    explicit SetUpTill(const FakeGateway& gateway);
    ~SetUpTill();
    SetUpTill(const SetUpTill&) = delete;
    SetUpTill& operator=(const SetUpTill&) = delete;

    // The payment dialogs take the amount from the cash-register window so captioned.
    // One value of Config/Config.ini, written before the till starts.
    void Configure(const std::string& section, const std::string& key,
                   const std::string& value) const;
    void ReadAmountFrom(const std::string& title, int order, const std::string& className) const;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path Config() const { return path_ / "Config/Config.ini"; }
    std::filesystem::path Program() const { return path_ / name_; }
    // The main window's caption as a pattern for xdotool.
    std::string MainCaption() const { return "^海川微信支付收银系统1\\.0\\.5\\[" + name_ + "\\]$"; }
    std::filesystem::path Port() const { return path_ / "LPT1"; }
    std::filesystem::path Boxes() const { return path_ / "boxes.txt"; }

private:
    std::string name_;
    std::filesystem::path path_;
};

class TillEndToEnd : public ::testing::Test {
protected:
    TillEndToEnd();
    // On a screen of this size (width x height x depth) instead of 1024 x 768.
    explicit TillEndToEnd(const std::string& screen);
    ~TillEndToEnd() override;

    // A session bus and the accessibility bus on the X server, as a user's session has them,
    // and the stand-in cash register showing the amount due on it.
    void StartCashRegister(const std::vector<std::string>& layout, const std::string& title);

    // Starts VelPay and signs cashier 1001 in; the main window's X id.
    std::string StartSignedIn(const std::string& password = "123456");
    // Signs cashier 1001 in on the sign-in dialog that is coming; the main window's X id.
    std::string SignIn(const std::string& password);
    void StopTill();

    // The X window of the visible window whose caption matches pattern, waited for up to 20 s;
    // "" when it never comes.
    std::string WaitForWindow(const std::string& pattern);
    bool WaitForNoWindow(const std::string& pattern);
    bool WaitForActive(const std::string& window, int seconds = 20);
    // Waits up to 20 s for the program that shows the window so captioned to hold it active (or
    // not), as it tells the desktop's accessibility tree; the till is in that tree when the cash
    // register was started first. The X server's active window moves before the program has
    // seen it, and a program that sees the focus leave and come back at once never deactivates.
    bool WaitForHeldActive(const std::string& caption, bool active);
    static bool WaitFor(int seconds, const std::function<bool()>& check);

    // Every window brings itself to the front when it opens, so the typing goes into it.
    void Focus(const std::string& window);
    // Presses key in the main window and waits for the window so captioned to come to the
    // front; its X id, "" (with a failure) when it never comes.
    std::string OpenFromMain(const std::string& main, const std::string& key,
                             const std::string& caption);
    void Type(const std::string& text);
    void Key(const std::string& key);
    void TypeLine(const std::string& text);

    // A picture of the window, kept with the test's artifacts; its path.
    std::string Screenshot(const std::string& window, const std::string& name);

    std::string Boxes() const { return ReadBytes(till_.Boxes()); }
    // What the port printer holds, as UTF-8 lines.
    std::vector<std::string> PrintedLines() const;
    // Checks those lines: the lines given, the print time, then empty lines up to 28.
    void ExpectPrinted(const std::vector<std::string>& head) const;

    XServer x_;
    FakeGateway gateway_;
    SetUpTill till_;
    pid_t pid_ = -1;
    std::vector<std::string> desktopEnv_;
    std::string accessibilityBus_;
    std::vector<std::unique_ptr<ChildProcess>> desktop_;
};
