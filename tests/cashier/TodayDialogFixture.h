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

// One list reply and what the list dialog makes of it.
struct ListCase {
    const char* name;
    std::string reply;  // a reply plan
    size_t rows;
    std::string footer;
    std::string box;  // "caption|text", "" for none
    std::vector<std::vector<std::string>> firstRows = {};
};

// The list dialogs fed one reply each, by a table of named cases.
class ListReplies : public TodayDialogFixture, public ::testing::WithParamInterface<ListCase> {
protected:
    // Scripts the case's reply for op, opens className, checks the rows and the footer it
    // shows, closes it, then checks the box shown and, for a caught error, the log.
    void CheckListReply(const char* className, const char* caption, const char* op);
};

std::string CaseName(const ::testing::TestParamInfo<ListCase>& info);

// A JSON list of order records for a scripted reply.
std::string JsonOrders(int count, const std::string& fee = "0.01", size_t padding = 0);
