#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProcess>

#include "PayDialogFixture.h"
#include "QzFormRunner.h"

using namespace platform;

namespace {

class CodePay : public PayDialogFixture {
protected:
    void OrderFor(const QString& amount) {
        Then("扫码支付", [amount](Form& f) {
            Type(f, amount);
            Press(f, Qt::Key_Return);
        });
    }
    void OnDetail(int qtKey) {
        Then("扫码支付二维码", [qtKey](Form& f) { Press(f, qtKey); });
    }
    void Answer(int qtKey) {
        Then("支付结果", [this, qtKey](Form& f) {
            prompts.push_back(f.findChild<QLabel*>("PanelMsg")->text().toStdString());
            Press(f, qtKey);
        });
    }
    std::vector<std::string> Ops() {
        std::vector<std::string> ops;
        for (const auto& r : Gateway().Requests()) {
            ops.push_back(r.op);
        }
        return ops;
    }
    // The unified order's reply field, as the gateway sent it.
    std::string OrderReply(const std::string& name) {
        const std::string reply = Gateway().Requests("unifiedOrder").at(0).reply_body;
        size_t start = reply.find("<" + name + "><![CDATA[") + name.size() + 11;
        return reply.substr(start, reply.find("]]>", start) - start);
    }
    std::vector<std::string> prompts;
};

// What a reader makes of a QR picture without a quiet zone, once it stands on white.
// scratch: a PNG file the reader may be given.
std::string ReadQRCode(const QImage& symbol, const std::string& scratch) {
    QImage page(symbol.width() + 96, symbol.height() + 96, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter(&page).drawImage(48, 48, symbol);
    page.save(QString::fromStdString(scratch), "PNG");
    QProcess zbar;
    zbar.start("zbarimg", {"--raw", "-q", QString::fromStdString(scratch)});
    if (!zbar.waitForFinished(20000)) {
        zbar.kill();
        zbar.waitForFinished();
    }
    return zbar.readAllStandardOutput().trimmed().toStdString();
}

}  // namespace

TEST_F(CodePay, ShowsTheOrdersQRCodeAtTwelvePixelsAModule) {
    OrderFor("25.5");
    Then("扫码支付二维码", [this](Form& f) {
        EXPECT_EQ(f.size(), QSize(506, 535));
        EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                  "用户支付完毕后，请按Enter查询支付结果，按ESC关闭订单并退出。");
        const QImage file(QString::fromStdString(folder_.File("PayCode.bmp")));
        ASSERT_FALSE(file.isNull());
        EXPECT_EQ(file.width() % 12, 0);
        EXPECT_EQ(file.width(), file.height());
        EXPECT_EQ(file.pixelColor(0, 0), QColor(Qt::black)) << "no quiet zone";
        EXPECT_EQ(file.pixelColor(6 * 12 + 11, 6 * 12 + 11), QColor(Qt::black));
        EXPECT_EQ(file.pixelColor(7 * 12, 7 * 12), QColor(Qt::white));
        const QPixmap shown = f.findChild<QLabel*>("ImageCode")->pixmap();
        EXPECT_EQ(shown.size(), file.size()) << "shown at its own size";
        EXPECT_EQ(ReadQRCode(file, folder_.File("qr.png")), OrderReply("code_url"));
        f.Close();  // the close button: no request, the order stays open
    });
    Run("TForm_Code_Pay");
    auto orders = Gateway().Requests("unifiedOrder");
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_EQ(orders[0].fields.at("total_fee"), "2550");
    EXPECT_EQ(orders[0].fields.at("syy_id"), kSyyId);
    EXPECT_EQ(orders[0].sign_ok, true);
    EXPECT_TRUE(orders[0].problems.empty());
    EXPECT_EQ(Ops(), std::vector<std::string>{"unifiedOrder"});
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CodePay, LaysOutTheAmountDialogAndAsksForAnAmount) {
    Then("扫码支付", [this](Form& f) {
        EXPECT_EQ(f.size(), QSize(427, 216));
        EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                  "输入完成按Enter生成支付二维码，取消按ESC");
        EXPECT_EQ(f.ActiveControlName(), "editMoney");
        Type(f, " ");
        Press(f, Qt::Key_Return);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"请输入支付金额!"});
        Type(f, "1.2.34");
        EXPECT_EQ(Text(f, "editMoney"), "1.23");
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Code_Pay");
    EXPECT_TRUE(Gateway().Requests().empty());
}

TEST_F(CodePay, AFailedOrderShowsWhyAndKeepsTheAmount) {
    Reply("unifiedOrder", R"({"fields": {"result": "-1", "errmsg": "金额错误", "errcode": "X"}})");
    Reply("unifiedOrder",
          R"({"fields": {"result": "2", "errmsg": "商户无权限", "errcode": "NOAUTH"}})");
    Reply("unifiedOrder", R"({"hangup": true})");
    Then("扫码支付", [](Form& f) {
        Type(f, "3");
        for (int i = 0; i < 3; ++i) {
            Press(f, Qt::Key_Return);
            EXPECT_EQ(Text(f, "editMoney"), "3");
        }
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Code_Pay");
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"扫码支付失败：金额错误",
                                                    "扫码支付失败：商户无权限（NOAUTH）",
                                                    "当前网络异常，请稍后重新再试！"}));
}

TEST_F(CodePay, NotPaidYetThenPaidClosesBothDialogsWithOneReceipt) {
    Reply("orderQuery", R"({"fields": {"trade_state": "NOTPAY"}})");
    Reply("orderQuery", R"({"fields": {"trade_state": "SUCCESS", "total_fee": "2550",
                            "coupon_fee": "50", "transaction_id": "W900"}})");
    OrderFor("25.5");
    Then("扫码支付二维码", [this](Form& f) {
        Press(f, Qt::Key_Return);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"用户未支付。"});
        EXPECT_TRUE(f.isVisible());
        Press(f, Qt::Key_Return);
    });
    Run("TForm_Code_Pay");

    const std::string orderNo = OrderReply("out_trade_no");
    auto queries = Gateway().Requests("orderQuery");
    ASSERT_EQ(queries.size(), 2u);
    for (const auto& q : queries) {
        EXPECT_EQ(q.fields.at("out_trade_no"), orderNo);
        EXPECT_EQ(q.sign_ok, true);
    }
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                              "用户未支付。", "收款成功：应付25.50元,优惠0.50元,实付25.00元。"}));
    ExpectReceipt(Printed(), ReceiptHead(orderNo, "W900", "25.50", "0.50", "25.00"));
}

TEST_F(CodePay, TheCancelKeyClosesTheOrderAndBothDialogs) {
    OrderFor("1");
    OnDetail(Qt::Key_Escape);
    Run("TForm_Code_Pay");
    auto closes = Gateway().Requests("closeOrder");
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].fields.at("out_trade_no"), OrderReply("out_trade_no"));
    EXPECT_EQ(closes[0].sign_ok, true);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"订单已经关闭。"});
}

TEST_F(CodePay, AFailingCloseKeepsTheDetailOpen) {
    Reply("closeOrder",
          R"({"fields": {"result": "1", "errmsg": "订单已支付", "errcode": "ORDERPAID"}})");
    Reply("closeOrder", R"({"fields": {"result": "-1", "errmsg": "系统繁忙"}})");
    Reply("closeOrder", R"({"sign": "missing"})");
    OrderFor("1");
    Then("扫码支付二维码", [](Form& f) {
        for (int i = 0; i < 3; ++i) {
            Press(f, Qt::Key_Escape);
            EXPECT_TRUE(f.isVisible());
        }
        f.Close();
    });
    Run("TForm_Code_Pay");
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{"关闭订单失败:订单已支付", "关闭订单失败:系统繁忙",
                                        "撤销订单失败:收到非法签名的数据包!"}));
    EXPECT_EQ(Gateway().Requests("closeOrder").size(), 3u);
}

TEST_F(CodePay, APendingOrderGivenUpOnIsClosedNotReversed) {
    ShortCutSet.ShortCutCancel = "F4";
    Reply("orderQuery", R"({"fields": {"trade_state": "USERPAYING"}})");
    Reply("orderQuery", R"({"fields": {"result": "1", "errcode": "SYSTEMERROR"}})");
    Reply("orderQuery", R"({"fields": {"trade_state": "USERPAYING"}})");
    OrderFor("1");
    OnDetail(Qt::Key_Return);
    Answer(Qt::Key_Return);
    Answer(Qt::Key_Return);
    Answer(Qt::Key_F4);
    Run("TForm_Code_Pay");
    EXPECT_EQ(prompts, (std::vector<std::string>{
                           "用户支付中，按Enter继续查询支付结果，按ESC关闭订单并退出。",
                           "系统返回错误，按Enter继续查询支付结果，按ESC关闭订单并退出。",
                           "用户支付中，按Enter继续查询支付结果，按ESC关闭订单并退出。"}));
    EXPECT_EQ(Ops(), (std::vector<std::string>{"unifiedOrder", "orderQuery", "orderQuery",
                                               "orderQuery", "closeOrder"}));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"订单已经关闭。"});
}

TEST_F(CodePay, QueryStatesThatEndTheOrderCloseBothDialogs) {
    Reply("orderQuery", R"({"fields": {"trade_state": "REVOKED"}})");
    OrderFor("1");
    OnDetail(Qt::Key_Return);
    Run("TForm_Code_Pay");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"订单已撤销。"});
    EXPECT_TRUE(Printed().empty());
}

TEST_F(CodePay, ACodeURLTooLongForAQRCodeClosesBothDialogsWithoutClosingTheOrder) {
    Reply("unifiedOrder", R"({"fields": {"code_url": ")" + std::string(3000, 'x') + "\"}}");
    OrderFor("1");
    Run("TForm_Code_Pay");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"生成支付二维码失败：Operation aborted"});
    EXPECT_EQ(boxes.at(0).caption, "提示");
    EXPECT_NE(LogText().find("Operation aborted"), std::string::npos);
    EXPECT_EQ(Ops(), std::vector<std::string>{"unifiedOrder"});
}

TEST_F(CodePay, TheDetailDialogAnswersZeroHoweverItEnds) {
    Then("扫码支付二维码", [](Form& f) { f.Close(); });
    EXPECT_EQ(Run("TForm_Code_Pay_Detail", Variant(Variant::Strings{"O1", "P1", "weixin://x"})),
              Variant(0));
    EXPECT_EQ(
        Run("TForm_Code_Pay_Detail", Variant(Variant::Strings{"O1", "P1", std::string(3000, 'x')})),
        Variant(0));
    EXPECT_TRUE(Gateway().Requests().empty());
}
