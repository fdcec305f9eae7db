#include "FormTodayDetail.h"

#include <QLabel>
#include <QPlainTextEdit>

#include "DialogLook.h"
#include "QzColors.h"
#include "QzRuntimeGlobal.h"
#include "ShownText.h"

using namespace platform;

namespace {

constexpr int kWidth = 349;
constexpr int kBandHeight = 80;
constexpr int kStripHeight = 10;

}  // namespace

TForm_Today_Detail::TForm_Today_Detail(QWidget* owner, const TLayout& layout)
    : TForm_Enter_Cancel(owner) {
    SetUpDialog(this, layout.Caption, kWidth, layout.Height, kClWindow);

    QWidget* PanelMsg = MakeTopBand(this, kWidth);
    PanelMsg->setObjectName("PanelMsg");
    MakeBanner(PanelMsg, kWidth);
    LabelTip = MakeBandTitle(PanelMsg, kWidth, "");
    LabelTip->setObjectName("LabelTip");
    LabelTip->setTextFormat(Qt::PlainText);
    LabelTip->setFont(PixelFont("微软雅黑", 14));
    LabelTip->setText(QString::fromStdString(layout.PrintTip + ShortCutSet.ShortCutCancel + "。"));

    auto* Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, kBandHeight, kWidth, kStripHeight);
    PaintPanel(Panel1, Qt::white, Qt::black);

    const int top = kBandHeight + kStripHeight;
    MemoDetail = MakeDisplayMemo(this, "MemoDetail", QRect(0, top, kWidth, layout.Height - top));
    MemoDetail->setReadOnly(true);
}

void TForm_Today_Detail::FillMemo(const std::function<void(std::vector<std::string>&)>& fill) {
    std::vector<std::string> lines;
    try {
        fill(lines);
    } catch (...) {
        ShowMemo(std::move(lines));
        throw;
    }
    ShowMemo(std::move(lines));
}

void TForm_Today_Detail::ShowMemo(std::vector<std::string> lines) {
    // The lines are printed whole; only what the memo lays out is cut.
    QString text;
    for (size_t i = 0; i < lines.size(); ++i) {
        text += (i ? "\n" : "") + QString::fromStdString(ShownText(lines[i]));
    }
    MemoDetail->setPlainText(text);
    memoLines_ = std::move(lines);
}
