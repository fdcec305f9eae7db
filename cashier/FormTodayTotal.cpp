#include "FormTodayTotal.h"

#include <QLabel>
#include <QPlainTextEdit>

#include <string>

#include "DialogLook.h"
#include "DialogMessages.h"
#include "GatewayCall.h"
#include "PayAmount.h"
#include "QzColors.h"
#include "QzPrint.h"
#include "QzRuntimeGlobal.h"
#include "Receipts.h"
#include "ShownText.h"
#include "UnitTodayTotal.h"

using namespace platform;

namespace {

constexpr int kWidth = 349;
constexpr int kHeight = 391;
constexpr int kBandHeight = 80;
constexpr int kSpacerHeight = 10;

// The labels of the lines, on view until a query fills them.
const char* const kInitialLines[] = {
    "门店名称：",   "收银员编号：", "收款总笔数：", "收款总金额：",
    "退款总笔数：", "退款总金额：", "实收总金额：",
};

// A yuan amount of the reply with two decimals, by exact decimal arithmetic: 12.5 shows as
// 12.50. Raises when the text is no number.
std::string TwoDecimals(const std::string& yuan) {
    return FenToYuan(std::stoll(YuanToFen(yuan)));
}

}  // namespace

TForm_Today_Total::TForm_Today_Total(QWidget* owner) : TForm_Enter_Cancel(owner) {
    SetUpDialog(this, "今日汇总", kWidth, kHeight, kClWindow);

    QWidget* PanelMsg = MakeTopBand(this, kWidth);
    PanelMsg->setObjectName("PanelMsg");
    Image1 = MakeBanner(PanelMsg, kWidth);
    LabelTip = MakeBandTitle(PanelMsg, kWidth, "");
    LabelTip->setObjectName("LabelTip");
    LabelTip->setTextFormat(Qt::PlainText);
    LabelTip->setFont(PixelFont("微软雅黑", 14));

    auto* Panel2 = new QWidget(this);
    Panel2->setObjectName("Panel2");
    Panel2->setGeometry(0, kBandHeight, kWidth, kSpacerHeight);

    const int memoTop = kBandHeight + kSpacerHeight;
    MemoTodayTotal =
        MakeDisplayMemo(this, "MemoTodayTotal", QRect(0, memoTop, kWidth, kHeight - memoTop));
    for (const char* line : kInitialLines) {
        AppendLine(line);
    }

    Publish("Execute", [this](const Variant& in, Variant& out) { Execute(in, out); });
    FormCreate();
}

void TForm_Today_Total::FormCreate() {
    LabelTip->setText(
        QString::fromStdString("按Enter打印，退出按" + ShortCutSet.ShortCutCancel + "。"));
}

void TForm_Today_Total::Execute(const Variant&, Variant&) {
    QueryTodayTotal();
    ShowModal();
}

void TForm_Today_Total::AppendLine(const std::string& line) {
    MemoTodayTotal->appendPlainText(QString::fromStdString(ShownText(line)));
}

void TForm_Today_Total::QueryTodayTotal() {
    GuardDialogStep(this, [&] {
        TTodayTotal total;
        if (!QueryGateway(this, total, "查询今日汇总失败：")) {
            return;
        }
        // Line by line: an amount that is no number stops the filling where it stands.
        MemoTodayTotal->clear();
        AppendLine("所属商户:" + InterfacePRM.MchName);
        AppendLine("门店名称:" + InterfacePRM.StoreName);
        AppendLine("收银员编号:" + SyyInfo.SyyID);
        AppendLine("");
        AppendLine("收款总笔数:" + total.total_order_num + "笔");
        AppendLine("收款总金额:" + TwoDecimals(total.total_order_fee) + "元");
        AppendLine("退款总笔数:" + total.total_refund_num + "笔");
        AppendLine("退款总金额:" + TwoDecimals(total.total_refund_fee) + "元");
        AppendLine("实收总金额:" + TwoDecimals(total.total_get_fee) + "元");
    });
}

void TForm_Today_Total::PrintTodayTotal() {
    GuardDialogStep(this, [&] {
        // The memo's text as a list of lines gives it: every line followed by a line break.
        std::string shown;
        if (!MemoTodayTotal->document()->isEmpty()) {
            for (const QString& line : MemoTodayTotal->toPlainText().split('\n')) {
                shown += line.toStdString() + "\r\n";
            }
        }
        PrintReceipt(TodayTotalReceipt(shown));
    });
}
