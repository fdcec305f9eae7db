#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "Form.h"
#include "GatewayFixture.h"
#include "MessageBox.h"

// The main window, the sign-in and the store initialisation against the fake gateway: a store
// already initialised (merchant parameters filled, Config/Config.ini open in the test folder),
// the default hot keys, a desktop with a tray, and every message box recorded with the name of
// the control that had the focus when it came, then answered with OK.
//
// The dialogs run modally, so a test lays out what the cashier does before it opens one: each
// step waits until a modal window with the given caption is showing (hidden or not), then acts
// on it. A step that never comes fails the test and ends the modal shows, so no test hangs.
// The shared memory "_ORV_MEM_FILE" that lets the hook's keys act, made for one test.
class MemFileForTest {
public:
    MemFileForTest();
    ~MemFileForTest();
    MemFileForTest(const MemFileForTest&) = delete;
    MemFileForTest& operator=(const MemFileForTest&) = delete;
    // True when someone else on this machine already made one: a test of its absence cannot run.
    static bool ExistsAlready();
};

class SignInFixture : public GatewayFixture {
protected:
    using Action = std::function<void(platform::Form&)>;

    void SetUp() override;
    void TearDown() override;

    // When the modal window captioned caption is showing, do action to it.
    void Then(const char* caption, Action action);
    // Runs body, which opens modal windows, while the steps are carried out.
    void Run(const std::function<void()>& body);

    // Keys to the focused control of a form (the form itself when none has the focus).
    static void Type(platform::Form& form, const QString& text);
    static void Press(platform::Form& form, int qtKey, Qt::KeyboardModifiers modifiers = {});
    static std::string Text(platform::Form& form, const char* editName);
    // The whole sign-in with an account and a password, each followed by Enter.
    static void SignInAs(platform::Form& form, const QString& account, const QString& password);

    // Empties the merchant parameters, as a till without a parameter file has them.
    static void ForgetStore();

    struct Box {
        platform::MessageBoxCall call;
        std::string focus;  // the object name of the focused control when the box came
    };
    std::vector<Box> boxes;
    std::vector<std::string> BoxTexts() const;

private:
    struct Step {
        QString caption;
        Action action;
    };
    void Tick(int run);

    std::vector<Step> steps_;
    // Owns the ticks: a tick still pending when the test ends dies with it.
    QObject ticks_;
    int run_ = 0;
    bool timedOut_ = false;
    TShortCutSet savedShortCutSet_;
    TSyyInfo savedSyyInfo_;
};
