#pragma once

#include "FormEnterCancel.h"

class QLabel;
class QPlainTextEdit;

// The day's totals of this store and cashier, asked for once before the dialog shows; Enter
// prints what it shows, the cancel key closes it. A query that does not succeed leaves the
// labels of the lines on view, and Enter prints those.
class TForm_Today_Total : public TForm_Enter_Cancel {
public:
    explicit TForm_Today_Total(QWidget* owner);

    // Queries, then shows the dialog modally; in and out are not used.
    void Execute(const platform::Variant& in, platform::Variant& out);

    void QueryTodayTotal();
    void PrintTodayTotal();

protected:
    void EnterAct() override { PrintTodayTotal(); }

private:
    void FormCreate();
    void AppendLine(const std::string& line);

    QLabel* Image1;
    QLabel* LabelTip;
    QPlainTextEdit* MemoTodayTotal;
};
