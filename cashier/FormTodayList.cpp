#include "FormTodayList.h"

#include <QLabel>
#include <QLineEdit>

#include "DialogLook.h"
#include "DialogMessages.h"
#include "EditText.h"
#include "QzColors.h"
#include "QzHotKey.h"
#include "QzLocalTime.h"
#include "QzRuntimeGlobal.h"
#include "QzXmlTree.h"
#include "VirtualKeys.h"

using namespace platform;

namespace {

constexpr int kHeight = 512;
constexpr int kBandHeight = 80;
constexpr int kStripHeight = 38;

QLabel* Strip(QWidget* dialog, const char* name, int top, int width, const QColor& colour) {
    auto* strip = new QLabel(dialog);
    strip->setObjectName(name);
    strip->setGeometry(0, top, width, kStripHeight);
    strip->setTextFormat(Qt::PlainText);
    PaintPanel(strip, colour, Qt::black);
    return strip;
}

}  // namespace

TForm_Today_List::TForm_Today_List(QWidget* owner, const TLayout& layout) : Form(owner) {
    const int width = layout.Width;
    SetUpDialog(this, layout.Caption, width, kHeight, kClWindow);

    QWidget* PanelMsg = MakeTopBand(this, width);
    PanelMsg->setObjectName("PanelMsg");
    MakeBanner(PanelMsg, width);
    MakeBandTitle(PanelMsg, width, layout.Title);

    QLabel* Panel2 = Strip(this, "Panel2", kBandHeight, width, kClMoneyGreen);
    Panel2->setText(QString::fromUtf8(layout.Note));
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setStyleSheet("color: red;");

    QLabel* Panel1 = Strip(this, "Panel1", kBandHeight + kStripHeight, width, Qt::white);
    editOutTradeNo = MakeLabelledEdit(Panel1, "editOutTradeNo", "商户订单号", 110,
                                      (kStripHeight - kPayEdit.Height) / 2, kPayEdit);
    const int tipLeft = 110 + kPayEdit.Width + 16;
    LabelTip = MakeKeyTip(Panel1, QRect(tipLeft, 0, width - tipLeft - 8, kStripHeight), 12);
    LabelTip->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    Footer = Strip(this, layout.FooterName, kBandHeight + 2 * kStripHeight, width, kClMoneyGreen);
    Footer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Footer->setContentsMargins(0, 0, 4, 0);  // the order footer ends without blanks
    Footer->setText(QString::fromUtf8(layout.FooterAtStart));

    const int listTop = kBandHeight + 3 * kStripHeight;
    ListData = new TReportList(this, "ListData", layout.Columns);
    ListData->setGeometry(0, listTop, width, kHeight - listTop);
    setTabOrder(editOutTradeNo, ListData);

    OnControlKeyDown(editOutTradeNo, [this](int& key) { editOutTradeNoKeyDown(key); });
    OnControlKeyDown(ListData, [this](int& key) { ListDataKeyDown(key); });
    OnControlEnter(ListData, [this] { ListDataEnter(); });
    Publish("Execute", [this](const Variant& in, Variant& out) { Execute(in, out); });
    FormCreate();
}

void TForm_Today_List::FormCreate() {
    LabelTip->setText(
        QString::fromStdString("输入完成按Enter查询，退出按" + ShortCutSet.ShortCutCancel + "。"));
}

void TForm_Today_List::Execute(const Variant&, Variant&) {
    Query("", TodayText());
    ShowModal();
}

void TForm_Today_List::FormShow() {
    BringToFrontWhenShown();
    editOutTradeNo->setFocus();
}

void TForm_Today_List::FormClose(CloseAction& action) {
    action = CloseAction::caFree;
}

void TForm_Today_List::FormKeyDown(int& key) {
    std::string name;
    KeyToShortCutText(key, name);
    if (name == ShortCutSet.ShortCutCancel) {
        key = 0;
        Close();
    } else if (key == VK_LEFT || key == VK_RIGHT) {
        // The arrows switch between the filter and the list; they never move the caret.
        const bool forward = key == VK_LEFT;
        key = 0;
        SelectNextControl(forward);
        DropActiveSelection();
    }
}

void TForm_Today_List::editOutTradeNoKeyDown(int& key) {
    if (key == VK_RETURN) {
        Query(TrimmedText(editOutTradeNo), TodayText());
    }
}

void TForm_Today_List::ListDataEnter() {
    if (ListData->RowCount() > 0) {
        ListData->SelectRow(0);
    } else {
        SelectNextControl(true);
        DropActiveSelection();
    }
}

void TForm_Today_List::ListDataKeyDown(int& key) {
    if (key != VK_RETURN || ListData->RowCount() == 0) {
        return;
    }
    const int row = ListData->SelectedRow();
    if (row >= 0) {
        // A copy: the detail may be open while nothing changes the list, but the row must not
        // depend on that.
        const TReportRow selected = ListData->Rows()[static_cast<size_t>(row)];
        ShowDetail(selected);
    }
}

void TForm_Today_List::FillList(const std::string& replyXml, TFillRows fill, TFooterText footer) {
    GuardDialogStep(this, [&] {
        const TXmlTree reply(replyXml);
        TReportTotals totals;
        {
            TReportList::TEdit edit(*ListData);
            totals = fill(reply, edit.Rows());
        }
        Footer->setText(QString::fromStdString(footer(totals)));
    });
}

std::string TodayText() {
    return LocalTimeText("%Y-%m-%d");
}
