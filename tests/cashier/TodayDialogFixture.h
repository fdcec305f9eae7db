#pragma once

#include <string>
#include <utility>
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
    // The list's columns, each its caption and width.
    static void ExpectColumns(platform::Form& f,
                              const std::vector<std::pair<std::string, int>>& columns);
    static std::vector<std::string> MemoLines(platform::Form& f);
    static int SelectedRow(platform::Form& f);

    // Boxes as "caption|text".
    std::vector<std::string> Boxes() const;
    // The one box shown, as "caption|text"; "" for none.
    void ExpectBox(const std::string& box) const;

    // What a detail reprints ahead of the print time: the title, the store's lines, the
    // details, two empty lines.
    static std::vector<std::string> ReprintSlip(const char* title,
                                                const std::vector<std::string>& detail);
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

// One detail reply and what the detail dialog shows and reprints of it.
struct DetailCase {
    const char* name;
    std::string reply;
    std::vector<std::string> memo;
    std::string box;  // "caption|text", "" for none
};

// The detail dialogs fed one reply each, by a table of named cases.
class DetailReplies : public TodayDialogFixture, public ::testing::WithParamInterface<DetailCase> {
protected:
    // Scripts the case's reply for op, opens className with in, checks the details it shows
    // and the slip (titled slipTitle) Enter reprints, closes it, then checks the box shown.
    void CheckDetailReply(const char* className, const char* caption, const char* op,
                          const platform::Variant& in, const char* slipTitle);
};

std::string DetailCaseName(const ::testing::TestParamInfo<DetailCase>& info);

// A JSON list of order records for a scripted reply.
std::string JsonOrders(int count, const std::string& fee = "0.01", size_t padding = 0);
