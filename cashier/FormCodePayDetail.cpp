#include "FormCodePayDetail.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

#include "DialogLook.h"
#include "DialogMessages.h"
#include "GatewayCall.h"
#include "QzColors.h"
#include "QzErrors.h"
#include "QzLog.h"
#include "QzRuntimeGlobal.h"
#include "UnitCloseOrder.h"
#include "qrenc.h"

using namespace platform;

TForm_Code_Pay_Detail::TForm_Code_Pay_Detail(QWidget* owner)
    : TForm_Enter_Cancel(owner),
      Label1(new QLabel(this)),
      LabelTip(new QLabel(this)),
      ImageCode(new QLabel(this)) {
    SetUpDialog(this, "扫码支付二维码", 506, 535, kClWindow);

    QWidget* Panel1 = MakeTopBand(this, 506);
    for (QLabel* label : {Label1, LabelTip}) {
        label->setParent(Panel1);
        label->setAlignment(Qt::AlignCenter);
        label->setTextFormat(Qt::PlainText);
        label->setFont(PixelFont("微软雅黑", 14));
    }
    Label1->setObjectName("Label1");
    Label1->setGeometry(0, 16, 506, 24);
    Label1->setText("请顾客使用微信扫描下图二维码二进行支付");
    LabelTip->setObjectName("LabelTip");
    LabelTip->setGeometry(0, 44, 506, 24);

    auto* Panel2 = new QWidget(this);
    Panel2->setObjectName("Panel2");
    Panel2->setGeometry(0, 80, 506, 20);
    ImageCode->setObjectName("ImageCode");
    ImageCode->setGeometry(0, 100, 506, 415);
    ImageCode->setAlignment(Qt::AlignCenter);
    auto* Panel3 = new QWidget(this);
    Panel3->setObjectName("Panel3");
    Panel3->setGeometry(0, 515, 506, 20);

    followUp_ = {{"应付", "优惠", "实付"},
                 "系统返回错误，按Enter继续查询支付结果，按ESC关闭订单并退出。",
                 "用户支付中，按Enter继续查询支付结果，按ESC关闭订单并退出。",
                 [this](const std::string& orderNo) { CloseOrder(orderNo); }};
    Publish("Execute", [this](const Variant& in, Variant& out) { Execute(in, out); });
    FormCreate();
}

void TForm_Code_Pay_Detail::FormCreate() {
    LabelTip->setText(QString::fromStdString("用户支付完毕后，请按Enter查询支付结果，按" +
                                             ShortCutSet.ShortCutCancel + "关闭订单并退出。"));
}

void TForm_Code_Pay_Detail::Execute(const Variant& in, Variant& out) {
    const Variant::Strings order = in.AsArray();
    OrderNo = order.size() > 0 ? order[0] : std::string();
    CodeUrl = order.size() > 2 ? order[2] : std::string();
    CodePayResult = 0;
    try {
        ShowQRCode();
    } catch (const std::exception& e) {
        // The order stays open at the gateway; nobody has seen its code. As with every caught
        // error, a log that cannot be written does not keep the message from the cashier.
        WriteLogOrStderr(e.what());
        ShowTip(this, std::string("生成支付二维码失败：") + e.what());
        out = 0;
        return;
    }
    ShowModal();
    out = CodePayResult;
}

void TForm_Code_Pay_Detail::ShowQRCode() {
    const std::string file = AppPath + "PayCode.bmp";
    QRCodeToBmp(CodeUrl, file, 0, 12, 0, 1, 0, 0, 0, 0x000000, 0xFFFFFF);
    QImage picture;
    if (!picture.load(QString::fromStdString(file), "BMP")) {
        throw Exception("Bitmap image is not valid");
    }
    ImageCode->setPixmap(QPixmap::fromImage(picture));
}

void TForm_Code_Pay_Detail::QueryPayResult(const std::string& orderNo) {
    ::QueryPayResult(this, orderNo, followUp_);
}

void TForm_Code_Pay_Detail::CloseOrder(const std::string& orderNo) {
    GuardDialogStep(this, [&] {
        TCloseOrder close;
        close.out_trade_no = orderNo;
        const TCallOutcome outcome = CallGateway(this, close);
        if (outcome == TCallOutcome::Success) {
            ShowTip(this, "订单已经关闭。");
            Close();
        } else if (outcome != TCallOutcome::NoReply) {
            ShowTip(this, "关闭订单失败:" + close.errmsg);
        }
    });
}
