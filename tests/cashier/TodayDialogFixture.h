#pragma once

#include <string>
#include <vector>

#include "PayDialogFixture.h"

class QWidget;

// The lists of the day's orders and refunds and their detail dialogs against the fake gateway,
// with the payment dialogs' settings, port printer and message-box seam.
class TodayDialogFixture : public PayDialogFixture {
protected:
    void SetUp() override;

    // The cashier acts on a dialog once it is the active window, as the list's focus rules
    // need.
    platform::Form* StepTarget(const std::vector<platform::Form*>& modal,
                               const QString& caption) override;

    // The texts of the list's rows, each row's texts as the list shows them (an empty text for
    // a column the row does not fill).
    static std::vector<std::vector<std::string>> ListRows(platform::Form& f);
    static std::string Footer(platform::Form& f);
    static std::vector<std::string> MemoLines(platform::Form& f);
    static int SelectedRow(platform::Form& f);

    // Boxes as "caption|text".
    std::vector<std::string> Boxes() const;

    // Checks what the port printer holds: the lines (UTF-8, compared in GBK) up to the print
    // time, the print time, then empty lines up to 28.
    void ExpectPrintedSlip(const std::vector<std::string>& head) const;
};

// Today as the gateway is asked for it.
std::string Today();

// A JSON list of order records for a scripted reply.
std::string JsonOrders(int count, const std::string& fee = "0.01", size_t padding = 0);
