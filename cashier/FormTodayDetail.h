#pragma once

#include <functional>
#include <string>
#include <vector>

#include "FormEnterCancel.h"

class QLabel;
class QPlainTextEdit;

// What the order detail and the refund detail share: the banner band with the key tip, a
// display-only text of the details, one query before the dialog shows, and the keys: the
// cancel key closes, Enter reprints the receipt (as often as it is pressed).
class TForm_Today_Detail : public TForm_Enter_Cancel {
public:
    // The lines the details show now, as they are printed.
    const std::vector<std::string>& MemoLines() const { return memoLines_; }

protected:
    struct TLayout {
        const char* Caption;
        int Height;
        const char* PrintTip;  // before the cancel key's name
    };
    TForm_Today_Detail(QWidget* owner, const TLayout& layout);

    // Empties the details and lets fill append lines; what it appended shows, also when it
    // raises.
    void FillMemo(const std::function<void(std::vector<std::string>& lines)>& fill);
    void ShowMemo(std::vector<std::string> lines);

    QLabel* LabelTip;
    QPlainTextEdit* MemoDetail;

private:
    std::vector<std::string> memoLines_;
};
