#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "Form.h"
#include "GatewayFixture.h"
#include "MessageBox.h"

// The payment dialogs against the fake gateway: the settings of a signed-in cashier, receipts
// printed to a port file in the test folder, every message box recorded and answered with OK.
//
// A dialog runs modally, so a test lays out what the cashier does before it opens one: each
// step waits until the modal window with the given caption is on top, then acts on it (types,
// presses keys). The run ends when the dialog opened has closed; a step that never comes
// fails the test and closes what is open, so no test hangs.
class PayDialogFixture : public GatewayFixture {
protected:
    using Action = std::function<void(platform::Form&)>;

    void SetUp() override;
    void TearDown() override;

    // When the modal window captioned caption is on top, do action to it.
    void Then(const char* caption, Action action);
    // Opens className through the form runner as the main window would, runs the steps, and
    // returns the Execute output.
    platform::Variant Run(const char* className, const platform::Variant& in = {});

    // Keys to the focused control of a form (the form itself when none has the focus).
    static void Type(platform::Form& form, const QString& text);
    static void Press(platform::Form& form, int qtKey, Qt::KeyboardModifiers modifiers = {});
    static std::string Text(platform::Form& form, const char* editName);
    static void SetText(platform::Form& form, const char* editName, const QString& text);

    // The steps of a whole micro pay: amount, Enter, code, Enter.
    void PayWith(const QString& amount, const QString& code);

    // The texts of the boxes shown so far, and all of them with their captions.
    std::vector<std::string> BoxTexts() const;
    std::vector<platform::MessageBoxCall> boxes;

    // What the port printer received ("" when nothing was printed).
    std::string Printed() const;
    // The payment receipt as the port printer must receive it, in GBK, up to the time of
    // printing, which Printed() must carry on the thirteenth line.
    static std::string ReceiptHead(const std::string& orderNo, const std::string& transactionId,
                                   const std::string& total, const std::string& coupon,
                                   const std::string& paid);
    // Checks a printed payment receipt: the head, a time, then empty lines up to 28.
    void ExpectReceipt(const std::string& printed, const std::string& head) const;

private:
    struct Step {
        QString caption;
        Action action;
    };
    void Tick(int run);

    std::vector<Step> steps_;
    int run_ = 0;
    // The context of the ticks: destroyed with the fixture, it takes pending ticks with it.
    QObject ticks_;
    bool timedOut_ = false;
    TPrintSet savedPrintSet_;
    TShortCutSet savedShortCutSet_;
    TSyyInfo savedSyyInfo_;
    TGetMyValueSet savedGetMyValueSet_;
};
