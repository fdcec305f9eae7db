#pragma once

#include <string>
#include <vector>

#include "Form.h"
#include "ReportList.h"

class QLabel;
class QLineEdit;
class TXmlTree;

// What the day's order list and the day's refund list share: the banner band with its title,
// the note band, the order-number filter with its key tip, the footer, the report list filling
// the rest; the first query before the dialog shows, Enter in the filter to query again, the
// left and right arrows to switch between the filter and the list, Enter in the list to open a
// row. Each list asks the gateway and reads its rows itself.
class TForm_Today_List : public platform::Form {
public:
    // Queries the whole day, then shows the dialog modally; in and out are not used.
    void Execute(const platform::Variant& in, platform::Variant& out);

protected:
    struct TLayout {
        const char* Caption;
        int Width;
        const char* Title;
        const char* Note;
        const char* FooterName;
        const char* FooterAtStart;
        std::vector<TReportList::TColumn> Columns;
    };
    TForm_Today_List(QWidget* owner, const TLayout& layout);

    void FormShow() override;
    void FormClose(platform::CloseAction& action) override;
    void FormKeyDown(int& key) override;

    // One gateway query for the day's rows, narrowed to an order number when one is given.
    virtual void Query(const std::string& outTradeNo, const std::string& date) = 0;
    // Enter on a selected row.
    virtual void ShowDetail(const TReportRow& row) = 0;

    // Replaces the rows and the footer by those of a list reply: fill reads the rows, footer
    // words their totals. The rows read so far show before any error does.
    using TFillRows = TReportTotals (*)(const TXmlTree& reply, TReportRows& rows);
    using TFooterText = std::string (*)(const TReportTotals& totals);
    void FillList(const std::string& replyXml, TFillRows fill, TFooterText footer);

    QLineEdit* editOutTradeNo;
    QLabel* LabelTip;
    QLabel* Footer;
    TReportList* ListData;

private:
    void FormCreate();
    void editOutTradeNoKeyDown(int& key);
    void ListDataEnter();
    void ListDataKeyDown(int& key);
};

// Today as the list queries name it: "yyyy-mm-dd", local time.
std::string TodayText();
