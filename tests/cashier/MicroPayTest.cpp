#include <QLabel>
#include <QLineEdit>

#include "PayDialogFixture.h"
#include "QzFormRunner.h"
#include "ShownText.h"

using namespace platform;

namespace {

class MicroPay : public PayDialogFixture {
protected:
    // The micro pay dialog's text of an edit, taken while it is open.
    void Expect(const char* caption, std::function<void(Form&)> check) {
        Then(caption, std::move(check));
    }
    void Cancel() {
        Then("刷卡支付", [](Form& f) { Press(f, Qt::Key_Escape); });
    }
    // Answers the pay-result prompt, keeping the text it showed.
    void Answer(int qtKey) {
        Then("支付结果", [this, qtKey](Form& f) {
            prompts.push_back(f.findChild<QLabel*>("PanelMsg")->text().toStdString());
            Press(f, qtKey);
        });
    }
    std::vector<std::string> prompts;
};

std::vector<std::string> Ops(const std::vector<FakeGateway::Record>& records) {
    std::vector<std::string> ops;
    for (const auto& r : records) {
        ops.push_back(r.op);
    }
    return ops;
}

}  // namespace

TEST_F(MicroPay, LaysOutTheDialogAndClosesOnTheCancelKey) {
    Then("刷卡支付", [](Form& f) {
        EXPECT_EQ(f.size(), QSize(427, 252));
        EXPECT_EQ(f.ActiveControlName(), "editMoney");
        EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                  "输入完成按Enter，取消按ESC");
        EXPECT_EQ(f.findChild<QLabel*>("Label2")->text().toStdString(),
                  "请输入支付金额和付款授权码");
        Press(f, Qt::Key_Down);
        EXPECT_EQ(f.ActiveControlName(), "editCode");
        Press(f, Qt::Key_Up);
        EXPECT_EQ(f.ActiveControlName(), "editMoney");
        Type(f, "5");
        Press(f, Qt::Key_Escape);
    });
    EXPECT_TRUE(Run("TForm_Micro_Pay").IsUnassigned());
    EXPECT_TRUE(Gateway().Requests().empty());
    EXPECT_TRUE(boxes.empty());

    ShortCutSet.ShortCutCancel = "F2";
    Then("刷卡支付", [](Form& f) {
        EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                  "输入完成按Enter，取消按F2");
        Press(f, Qt::Key_Escape);  // not the cancel key now
        Press(f, Qt::Key_F2);
    });
    Run("TForm_Micro_Pay");
}

TEST_F(MicroPay, AmountFilterRefusesAThirdDecimalAndASecondPointWhereverTheCaretIs) {
    Then("刷卡支付", [](Form& f) {
        Type(f, "1a2-.,3 4");
        EXPECT_EQ(Text(f, "editMoney"), "12.34");
        Type(f, "5.");
        Press(f, Qt::Key_Home);
        Type(f, "9");
        EXPECT_EQ(Text(f, "editMoney"), "12.34") << "no digit anywhere once two decimals stand";
        Press(f, Qt::Key_End);
        Press(f, Qt::Key_Backspace);
        EXPECT_EQ(Text(f, "editMoney"), "12.3");
        Type(f, ".7");
        EXPECT_EQ(Text(f, "editMoney"), "12.37");
        Press(f, Qt::Key_Home);
        Press(f, Qt::Key_Delete);
        Press(f, Qt::Key_Backspace);
        EXPECT_EQ(Text(f, "editMoney"), "2.37") << "Delete and backspace always work";
        Press(f, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(Text(f, "editMoney"), "2.37");
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Micro_Pay");
}

TEST_F(MicroPay, APointTypedInsideTheDigitsMakesAThirdDecimalThatIsRounded) {
    Then("刷卡支付", [](Form& f) {
        Type(f, "1234");
        Press(f, Qt::Key_Home);
        Press(f, Qt::Key_Right);
        Type(f, ".");
        EXPECT_EQ(Text(f, "editMoney"), "1.234");
        Press(f, Qt::Key_Return);
        Type(f, "134567890123456789");
        Press(f, Qt::Key_Return);
    });
    Run("TForm_Micro_Pay");
    auto pays = Gateway().Requests("microPay");
    ASSERT_EQ(pays.size(), 1u);
    EXPECT_EQ(pays[0].fields.at("total_fee"), "123");
}

TEST_F(MicroPay, PaysPrintsTheReceiptAndCloses) {
    PayWith("12.34", "  134567890123456789 ");
    Run("TForm_Micro_Pay");

    auto pays = Gateway().Requests("microPay");
    ASSERT_EQ(pays.size(), 1u);
    const auto& pay = pays[0];
    EXPECT_TRUE(pay.problems.empty()) << pay.problems.front();
    EXPECT_EQ(pay.sign_ok, true);
    EXPECT_TRUE(pay.layout_ok);
    ExpectTillIdentity(pay);
    EXPECT_EQ(pay.fields.at("total_fee"), "1234");
    EXPECT_EQ(pay.fields.at("auth_code"), "134567890123456789");

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "收款成功：应付12.34元,微信支付优惠0.00元,实付12.34元。");
    EXPECT_EQ(boxes[0].caption, "提示");
    EXPECT_EQ(boxes[0].flags, 0x40u);

    const std::string reply = pay.reply_body;
    auto field = [&](const std::string& name) {
        size_t start = reply.find("<" + name + "><![CDATA[") + name.size() + 11;
        return reply.substr(start, reply.find("]]>", start) - start);
    };
    ExpectReceipt(Printed(), ReceiptHead(field("out_trade_no"), field("transaction_id"), "12.34",
                                         "0.00", "12.34"));
}

TEST_F(MicroPay, AReplyThatCannotBeLoggedStillPaysAndPrintsOnce) {
    SystemSet.LogLevel = 1;
    // The log's folder gives way after the request was logged and before the reply is.
    Reply("microPay", "{\"block_folder\": " + JsonText(folder_.File("Log")) +
                          R"(, "fields": {"out_trade_no": "T0", "transaction_id": "W0"}})");
    PayWith("5", "134567890123456789");
    Run("TForm_Micro_Pay");
    EXPECT_EQ(Gateway().Requests("microPay").size(), 1u);
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{"收款成功：应付5.00元,微信支付优惠0.00元,实付5.00元。"});
    ExpectReceipt(Printed(), ReceiptHead("T0", "W0", "5.00", "0.00", "5.00"));
}

TEST_F(MicroPay, ShowsTheDiscountAndTakesTheAmountTheReplyNames) {
    Reply("microPay", R"({"fields": {"total_fee": "1000", "coupon_fee": "100",
                          "out_trade_no": "T1", "transaction_id": "W1"}})");
    PayWith("9", "134567890123456789");
    Run("TForm_Micro_Pay");
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{"收款成功：应付10.00元,微信支付优惠1.00元,实付9.00元。"});
    ExpectReceipt(Printed(), ReceiptHead("T1", "W1", "10.00", "1.00", "9.00"));
}

TEST_F(MicroPay, AMissingDiscountReadsAsNone) {
    Reply("microPay", R"({"fields": {"total_fee": "1000", "coupon_fee": null,
                          "out_trade_no": "T2", "transaction_id": "W2"}})");
    PayWith("10", "134567890123456789");
    Run("TForm_Micro_Pay");
    ExpectReceipt(Printed(), ReceiptHead("T2", "W2", "10.00", "0.00", "10.00"));
}

TEST_F(MicroPay, SendsZeroAndTheLargestAmountsExactly) {
    PayWith("0", "134567890123456789");
    Run("TForm_Micro_Pay");
    // The gateway echoes the amount, which is more fen than a reply amount may hold (32 bits):
    // the error is shown and the dialog stays open.
    PayWith("99999999999.99", "134567890123456789");
    Cancel();
    Run("TForm_Micro_Pay");
    auto pays = Gateway().Requests("microPay");
    ASSERT_EQ(pays.size(), 2u);
    EXPECT_EQ(pays[0].fields.at("total_fee"), "0");
    EXPECT_EQ(pays[1].fields.at("total_fee"), "9999999999999");
    EXPECT_EQ(pays[1].sign_ok, true);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "收款成功：应付0.00元,微信支付优惠0.00元,实付0.00元。");
    EXPECT_EQ(boxes[1].caption, "错误");
    EXPECT_EQ(boxes[1].text, "'9999999999999' is not a valid integer value");
}

TEST_F(MicroPay, AsksForTheAmountAndTheCodeBeforeSendingAnything) {
    Then("刷卡支付", [this](Form& f) {
        Press(f, Qt::Key_Return);
        EXPECT_EQ(f.ActiveControlName(), "editCode") << "Enter in the amount moves on";
        Type(f, "134567890123456789");
        Press(f, Qt::Key_Return);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"请输入支付金额!"});
        EXPECT_EQ(f.ActiveControlName(), "editMoney");
        SetText(f, "editMoney", "  ");
        EXPECT_EQ(f.ActiveControlName(), "editMoney");
        Press(f, Qt::Key_Down);
        Press(f, Qt::Key_Return);
        EXPECT_EQ(boxes.size(), 2u);
        Type(f, "5");
        Press(f, Qt::Key_Down);
        SetText(f, "editCode", " \t ");
        Press(f, Qt::Key_Return);
        EXPECT_EQ(f.ActiveControlName(), "editCode");
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Micro_Pay");
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"请输入支付金额!", "请输入支付金额!",
                                                    "请输入支付授权码!"}));
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "提示");
    }
    EXPECT_TRUE(Gateway().Requests().empty());
}

TEST_F(MicroPay, ACodeTheCustomerMustRenewEmptiesTheCodeAndKeepsTheAmount) {
    const std::pair<const char*, const char*> rules[] = {
        {"AUTHCODEEXPIRE", "付款授权码已过期（AUTHCODEEXPIRE），请用户刷新后再试。"},
        {"NOTENOUGH", "用户余额不足（NOTENOUGH），请用户换卡支付。"},
        {"NOTSUPORTCARD", "用户该卡不支持当前支付（NOTSUPORTCARD），请用户换卡或绑新卡。"},
        {"AUTH_CODE_ERROR", "每个付款授权码仅限使用一次（AUTH_CODE_ERROR），请用户刷新后再试。"},
        {"AUTH_CODE_INVALID", "无效的用户付款授权码（AUTH_CODE_INVALID），请重新扫描或输入。"},
    };
    for (const auto& [code, text] : rules) {
        Reply("microPay", std::string(R"({"fields": {"result": "1", "errmsg": "x", "errcode": ")") +
                              code + "\"}}");
    }
    Then("刷卡支付", [&](Form& f) {
        Type(f, "8.8");
        Press(f, Qt::Key_Return);
        for (const auto& [code, text] : rules) {
            Type(f, "134567890123456789");
            Press(f, Qt::Key_Return);
            EXPECT_EQ(boxes.back().text, text);
            EXPECT_EQ(Text(f, "editCode"), "") << code;
            EXPECT_EQ(f.ActiveControlName(), "editCode");
            EXPECT_EQ(Text(f, "editMoney"), "8.8");
        }
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Micro_Pay");
    EXPECT_EQ(Gateway().Requests("microPay").size(), 5u);
    EXPECT_TRUE(Printed().empty());
}

TEST_F(MicroPay, OtherFailuresShowTheGatewaysMessageAndKeepBothEdits) {
    Reply("microPay",
          R"({"fields": {"result": "1", "errmsg": "订单已支付", "errcode": "ORDERPAID"}})");
    Reply("microPay", R"({"fields": {"result": "1", "errmsg": "大小写", "errcode": "notenough"}})");
    Reply("microPay", R"({"fields": {"result": "-1", "errmsg": "商户不存在"}})");
    Then("刷卡支付", [](Form& f) {
        Type(f, "3");
        Press(f, Qt::Key_Return);
        Type(f, "134567890123456789");
        for (int i = 0; i < 3; ++i) {
            Press(f, Qt::Key_Return);
            EXPECT_EQ(Text(f, "editCode"), "134567890123456789");
            EXPECT_EQ(Text(f, "editMoney"), "3");
        }
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Micro_Pay");
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"支付失败：订单已支付", "支付失败：大小写",
                                                    "支付失败：商户不存在"}));
}

TEST_F(MicroPay, PendingPaymentIsQueriedOnEachEnterUntilItSucceeds) {
    Reply("microPay", R"({"fields": {"result": "1", "errmsg": "支付中", "errcode": "USERPAYING",
                          "out_trade_no": "P100"}})");
    Reply("orderQuery", R"({"fields": {"trade_state": "USERPAYING"}})");
    Reply("orderQuery", R"({"fields": {"trade_state": "SUCCESS", "total_fee": "1234",
                            "coupon_fee": "34", "transaction_id": "W100"}})");
    PayWith("12.34", "134567890123456789");
    Answer(Qt::Key_Return);
    Answer(Qt::Key_Return);
    Run("TForm_Micro_Pay");

    EXPECT_EQ(prompts, (std::vector<std::string>{
                           "用户支付中（USERPAYING），按Enter查询支付结果，按ESC撤销订单并退出。",
                           "用户支付中，按Enter继续查询支付结果，按ESC撤销订单并退出。"}));
    auto queries = Gateway().Requests("orderQuery");
    ASSERT_EQ(queries.size(), 2u);
    for (const auto& q : queries) {
        EXPECT_EQ(q.fields.at("out_trade_no"), "P100");
        EXPECT_EQ(q.fields.at("syy_id"), kSyyId);
        EXPECT_EQ(q.sign_ok, true);
        EXPECT_TRUE(q.problems.empty());
    }
    EXPECT_EQ(Ops(Gateway().Requests()),
              (std::vector<std::string>{"microPay", "orderQuery", "orderQuery"}));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{
                              "收款成功：应付金额12.34元,微信支付优惠0.34元,实付金额12.00元。"});
    ExpectReceipt(Printed(), ReceiptHead("P100", "W100", "12.34", "0.34", "12.00"));
}

TEST_F(MicroPay, BankErrorThenCancelReversesTheOrder) {
    Reply("microPay",
          R"({"fields": {"result": "1", "errcode": "BANKERROR", "out_trade_no": "P200"}})");
    PayWith("1", "134567890123456789");
    Answer(Qt::Key_Escape);
    Run("TForm_Micro_Pay");
    EXPECT_EQ(prompts,
              std::vector<std::string>{
                  "银行系统异常（BANKERROR），按Enter查询支付结果，按ESC撤销订单并退出。"});
    auto reverses = Gateway().Requests("orderReverse");
    ASSERT_EQ(reverses.size(), 1u);
    EXPECT_EQ(reverses[0].fields.at("out_trade_no"), "P200");
    EXPECT_EQ(reverses[0].sign_ok, true);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"订单已经撤销。"});
    EXPECT_TRUE(Printed().empty());
}

TEST_F(MicroPay, SystemErrorPromptsWithItsOwnWordsAndTheCancelKeyAsConfigured) {
    ShortCutSet.ShortCutCancel = "F2";
    Reply("microPay",
          R"({"fields": {"result": "1", "errcode": "SYSTEMERROR", "out_trade_no": "P250"}})");
    Reply("orderQuery", R"({"fields": {"result": "1", "errcode": "SYSTEMERROR"}})");
    PayWith("1", "134567890123456789");
    Answer(Qt::Key_Return);
    Answer(Qt::Key_F2);
    Run("TForm_Micro_Pay");
    EXPECT_EQ(prompts,
              (std::vector<std::string>{
                  "微信接口异常（SYSTEMERROR），按Enter查询支付结果，按ESC撤销订单并退出。",
                  "系统返回错误，按Enter继续查询支付结果，按ESC撤销订单并退出。"}));
    EXPECT_EQ(Ops(Gateway().Requests()),
              (std::vector<std::string>{"microPay", "orderQuery", "orderReverse"}));
}

TEST_F(MicroPay, AReverseThatMayBeRetriedAsksAgainAndCancelClosesWithoutARequest) {
    Reply("microPay",
          R"({"fields": {"result": "1", "errcode": "USERPAYING", "out_trade_no": "P300"}})");
    Reply("orderReverse", R"({"fields": {"result": "1", "errmsg": "请重试", "recall": "Y"}})");
    Reply("orderReverse", R"({"fields": {"result": "1", "errmsg": "请重试", "recall": "Y"}})");
    PayWith("1", "134567890123456789");
    Answer(Qt::Key_Escape);
    Answer(Qt::Key_Return);
    Answer(Qt::Key_Escape);
    Run("TForm_Micro_Pay");
    EXPECT_EQ(prompts.at(1), "系统接口异常，请按Enter再次发起订单撤销操作,按ESC退出。");
    EXPECT_EQ(prompts.size(), 3u);
    EXPECT_EQ(Ops(Gateway().Requests()),
              (std::vector<std::string>{"microPay", "orderReverse", "orderReverse"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MicroPay, AReverseThatFailsForGoodKeepsTheDialogOpen) {
    Reply("microPay",
          R"({"fields": {"result": "1", "errcode": "USERPAYING", "out_trade_no": "P400"}})");
    Reply("orderReverse", R"({"fields": {"result": "1", "errmsg": "已支付", "recall": "N"}})");
    Reply("microPay",
          R"({"fields": {"result": "1", "errcode": "USERPAYING", "out_trade_no": "P401"}})");
    Reply("orderReverse", R"({"fields": {"result": "-1", "errmsg": "签名错误", "recall": "Y"}})");
    PayWith("1", "134567890123456789");
    Answer(Qt::Key_Escape);
    Then("刷卡支付", [](Form& f) {
        EXPECT_EQ(Text(f, "editCode"), "134567890123456789");
        Press(f, Qt::Key_Return);
    });
    Answer(Qt::Key_Escape);
    Cancel();
    Run("TForm_Micro_Pay");
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{"订单撤销失败:已支付", "订单撤销失败:签名错误"}));
}

TEST_F(MicroPay, QueryAnswersEndTheDialogOrLeaveItOpenByTheOrderState) {
    struct Case {
        const char* reply;
        const char* text;
        bool closes;
    };
    const Case cases[] = {
        {R"({"fields": {"trade_state": "NOTPAY"}})", "用户未支付。", false},
        {R"({"fields": {"trade_state": "WHATEVER"}})", "支付状态未知，请联系系统管理人员。", false},
        {R"({"fields": {"trade_state": ""}})", "支付状态未知，请联系系统管理人员。", false},
        {R"({"fields": {"trade_state": "success"}})", "支付状态未知，请联系系统管理人员。", false},
        {R"({"fields": {"result": "1", "errcode": "ORDERNOTEXIST"}})", "此交易订单号不存在。",
         false},
        {R"({"fields": {"result": "1", "errcode": "X", "errmsg": "忙"}})", "查询支付结果失败：忙",
         false},
        {R"({"fields": {"result": "-2", "errmsg": "无权"}})", "查询支付结果失败：无权", false},
        {R"({"fields": {"trade_state": "CLOSED"}})", "订单已关闭。", true},
        {R"({"fields": {"trade_state": "REVOKED"}})", "订单已撤销。", true},
        {R"({"fields": {"trade_state": "NOPAY"}})", "支付超时。", true},
        {R"({"fields": {"trade_state": "PAYERROR"}})", "支付失败。", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        boxes.clear();
        Gateway().Reset();
        Reply("microPay", R"({"fields": {"result": "1", "errcode": "USERPAYING"}})");
        Reply("orderQuery", c.reply);
        PayWith("2.5", "134567890123456789");
        Answer(Qt::Key_Return);
        if (!c.closes) {
            Then("刷卡支付", [](Form& f) {
                EXPECT_EQ(Text(f, "editMoney"), "2.5");
                EXPECT_EQ(Text(f, "editCode"), "134567890123456789");
                Press(f, Qt::Key_Escape);
            });
        }
        Run("TForm_Micro_Pay");
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.text});
        EXPECT_EQ(Gateway().Requests("orderQuery").size(), 1u);
        EXPECT_TRUE(Gateway().Requests("orderReverse").empty());
    }
    EXPECT_TRUE(Printed().empty());
}

TEST_F(MicroPay, AReplyAmountThatIsNoNumberIsAnErrorAndNothingIsPrinted) {
    Reply("microPay", R"({"fields": {"total_fee": "12元"}})");
    PayWith("12", "134567890123456789");
    Cancel();
    Run("TForm_Micro_Pay");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "错误");
    EXPECT_EQ(boxes[0].text, "'12元' is not a valid integer value");
    EXPECT_NE(LogText().find("'12元' is not a valid integer value"), std::string::npos);
    EXPECT_TRUE(Printed().empty());
}

TEST_F(MicroPay, ABadAmountInAQueryReplyIsAnErrorToo) {
    Reply("microPay", R"({"fields": {"result": "1", "errcode": "USERPAYING"}})");
    Reply("orderQuery", R"({"fields": {"trade_state": "SUCCESS", "coupon_fee": "0.5"}})");
    PayWith("12", "134567890123456789");
    Answer(Qt::Key_Return);
    Cancel();
    Run("TForm_Micro_Pay");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "错误");
    EXPECT_TRUE(Printed().empty());
}

TEST_F(MicroPay, AGatewayMessageTooLongToLayOutIsShownCutAndLoggedWhole) {
    SystemSet.LogLevel = 1;
    std::string errmsg;
    for (int i = 0; i < 1000000; ++i) {
        errmsg += "长";  // 3 MB
    }
    Reply("microPay", R"({"fields": {"result": "-1", "errmsg": )" + JsonText(errmsg) + "}}");
    PayWith("1", "134567890123456789");
    Cancel();
    Run("TForm_Micro_Pay");
    ASSERT_EQ(boxes.size(), 1u);
    ASSERT_LT(boxes[0].text.size(), 4 * kShownTextLength) << "cut to a thousand characters";
    EXPECT_EQ(boxes[0].text, "支付失败：" + errmsg.substr(0, 995 * 3) + "…");
    EXPECT_NE(LogBytes().find(errmsg), std::string::npos);
}

TEST_F(MicroPay, TransportAndSignatureFailuresShowTheRequestsMessage) {
    // A reply that trickles in never falls silent: the bound on the whole request ends it.
    ShorterRequestBound bound(std::chrono::seconds(2));
    Reply("microPay", R"({"trickle": 0.5})");
    Reply("microPay", R"({"drop": true})");
    Reply("microPay", R"({"sign": "wrong"})");
    Reply("microPay", R"({"raw": "<html>busy</html>"})");
    Then("刷卡支付", [](Form& f) {
        Type(f, "12");
        Press(f, Qt::Key_Return);
        Type(f, "134567890123456789");
        for (int i = 0; i < 4; ++i) {
            Press(f, Qt::Key_Return);
        }
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Micro_Pay");
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                              "当前网络异常，请稍后重新再试！", "当前网络异常，请稍后重新再试！",
                              "收到非法签名的数据包!", "系统运行异常，请联系管理人员！"}));
    EXPECT_NE(LogText().find("Transfer not completed within 2000 ms"), std::string::npos);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "提示");
    }
    EXPECT_TRUE(Printed().empty());
}

TEST_F(MicroPay, AVeryLongPastedCodeIsSentWhole) {
    const std::string code(10000, '7');
    Then("刷卡支付", [&](Form& f) {
        Type(f, "1");
        Press(f, Qt::Key_Return);
        SetText(f, "editCode", QString::fromStdString(code));
        Press(f, Qt::Key_Return);
    });
    Run("TForm_Micro_Pay");
    auto pays = Gateway().Requests("microPay");
    ASSERT_EQ(pays.size(), 1u);
    EXPECT_EQ(pays[0].fields.at("auth_code"), code);
    EXPECT_EQ(pays[0].sign_ok, true);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(MicroPay, AnAmountTextThatIsNoNumberStopsBeforeAnythingIsSent) {
    Then("刷卡支付", [](Form& f) {
        SetText(f, "editMoney", "1..");  // as the cash-register window may give it
        Press(f, Qt::Key_Down);
        Type(f, "134567890123456789");
        Press(f, Qt::Key_Return);
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Micro_Pay");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "'1..' is not a valid floating point value");
    EXPECT_EQ(boxes[0].flags, 0x10u) << "the application's own error box";
    EXPECT_TRUE(Gateway().Requests().empty());
    EXPECT_EQ(LogText(), "");
}

TEST_F(MicroPay, APromptThatCannotOpenIsAnErrorAndTheDialogStaysOpen) {
    UnRegisterClass("TForm_Pay_Result");
    Reply("microPay", R"({"fields": {"result": "1", "errcode": "USERPAYING"}})");
    PayWith("1", "134567890123456789");
    Cancel();
    Run("TForm_Micro_Pay");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "错误");
    EXPECT_EQ(boxes[0].text, "[TFORM_PAY_RESULT]类不存在!");
    EXPECT_NE(LogText().find("[TFORM_PAY_RESULT]类不存在!"), std::string::npos);
}
