#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "DialogSteps.h"
#include "Form.h"
#include "MessageBox.h"

// The payment dialogs against the fake gateway: the settings of a signed-in cashier, receipts
// printed to a port file in the test folder, every message box recorded and answered with OK.
// A step acts on the modal window on top once it has the step's caption; the run ends when the
// dialog opened has closed.
class PayDialogFixture : public DialogStepsFixture {
protected:
    PayDialogFixture() : DialogStepsFixture(std::chrono::seconds(15)) {}

    void SetUp() override;
    void TearDown() override;

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
    // Checks what the port printer received, line by line, every line ended by CR LF: the lines
    // given (UTF-8, compared as GBK), then the print time, then empty lines up to the 28 every
    // receipt fills.
    void ExpectPrinted(const std::vector<std::string>& linesBeforeTime) const;

    platform::Form* StepTarget(const std::vector<platform::Form*>& modal,
                               const QString& caption) override;
};
