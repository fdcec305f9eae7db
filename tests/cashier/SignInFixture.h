#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "DialogSteps.h"
#include "Form.h"
#include "MessageBox.h"

// The main window, the sign-in and the store initialisation against the fake gateway: a store
// already initialised (merchant parameters filled, Config/Config.ini open in the test folder),
// the default hot keys, a desktop with a tray, and every message box recorded with the name of
// the control that had the focus when it came, then answered with OK.
// A step acts on the modal window with its caption whether or not it is hidden: these dialogs
// hide to the tray while their modal show goes on.
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

class SignInFixture : public DialogStepsFixture {
protected:
    // Longer than a gateway's read time-out: a test may wait one out.
    SignInFixture() : DialogStepsFixture(std::chrono::seconds(20)) {}

    void SetUp() override;
    void TearDown() override;

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

    platform::Form* StepTarget(const std::vector<platform::Form*>& modal,
                               const QString& caption) override;
};
