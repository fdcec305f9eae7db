#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "Form.h"
#include "GatewayFixture.h"

// Puts back, when it ends, the settings records the cashier's dialogs change: the print
// settings, the hot keys, the signed-in cashier and where amounts are read from.
class CashierSettingsGuard {
public:
    CashierSettingsGuard();
    ~CashierSettingsGuard();
    CashierSettingsGuard(const CashierSettingsGuard&) = delete;
    CashierSettingsGuard& operator=(const CashierSettingsGuard&) = delete;

private:
    TPrintSet printSet_;
    TShortCutSet shortCutSet_;
    TSyyInfo syyInfo_;
    TGetMyValueSet getMyValueSet_;
};

// Dialogs run modally, so a test lays out what the cashier does before it opens one: each step
// waits until the fixture's rule finds the modal window with the step's caption, then acts on
// it (types, presses keys). A step that never comes fails the test and ends the modal shows, so
// no test hangs.
class DialogStepsFixture : public GatewayFixture {
protected:
    using Action = std::function<void(platform::Form&)>;

    explicit DialogStepsFixture(std::chrono::seconds stepTimeout) : stepTimeout_(stepTimeout) {}

    // When the modal window captioned caption comes, do action to it.
    void Then(const char* caption, Action action);
    // Runs body, which opens modal windows, while the steps are carried out.
    void Run(const std::function<void()>& body);
    // Opens className through the form runner as the main window does, runs the steps, and
    // returns the Execute output.
    platform::Variant Run(const char* className, const platform::Variant& in = {});

    // The window the next step, for caption, acts on now; nullptr to wait for the next tick.
    // modal holds every form whose modal show is running.
    virtual platform::Form* StepTarget(const std::vector<platform::Form*>& modal,
                                       const QString& caption) = 0;

    // Keys to the focused control of a form (the form itself when none has the focus).
    static void Type(platform::Form& form, const QString& text);
    static void Press(platform::Form& form, int qtKey, Qt::KeyboardModifiers modifiers = {});
    static std::string Text(platform::Form& form, const char* editName);
    static void SetText(platform::Form& form, const char* editName, const QString& text);

    // The four identity fields of a request from this till: the fake gateway's merchant and
    // store, and the signed-in cashier.
    static void ExpectTillIdentity(const FakeGateway::Record& request);

private:
    struct Step {
        QString caption;
        Action action;
    };
    void Tick(int run);

    const CashierSettingsGuard settings_;
    const std::chrono::seconds stepTimeout_;
    std::chrono::steady_clock::time_point lastProgress_;
    std::vector<Step> steps_;
    // Owns the ticks: a tick still pending when the test ends dies with it.
    QObject ticks_;
    int run_ = 0;
    bool timedOut_ = false;
};
