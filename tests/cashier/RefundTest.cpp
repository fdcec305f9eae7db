#include <QLabel>
#include <QLineEdit>

#include "Application.h"
#include "RefundDialogFixture.h"

using namespace platform;

namespace {

const char* const kCaption = "退款申请";
const char* const kPassHint = "微信支付凭证中的“商户单号”";
const char* const kOutHint = "本软件打印的支付小票中的“商户订单号”";
const char* const kSuperPwd = "888888";

class Refund : public RefundDialogFixture {
protected:
    // The cashier's entries, top to bottom; nullptr leaves an edit as it stands.
    struct TEntries {
        const char* Amount;
        const char* PassTradeNo;
        const char* OutTradeNo;
        const char* Password;
    };
    // Types the entries edit by edit, moving on with Enter, and sends with Enter.
    static void Enter(Form& f, const TEntries& entries) {
        for (const char* text : {entries.Amount, entries.PassTradeNo, entries.OutTradeNo}) {
            if (text) {
                Type(f, QString::fromUtf8(text));
            }
            Press(f, Qt::Key_Return);
        }
        if (entries.Password) {
            Type(f, QString::fromUtf8(entries.Password));
        }
        Press(f, Qt::Key_Return);
    }
    static QLineEdit* Edit(Form& f, const char* name) { return f.findChild<QLineEdit*>(name); }
    static bool ShowsHint(Form& f, const char* name, const char* hint) {
        QLineEdit* edit = Edit(f, name);
        return edit->text() == QString::fromUtf8(hint) && edit->font().italic() &&
               edit->palette().color(QPalette::Text) == QColor(192, 192, 192);
    }
    FakeGateway::Record OnlyRefund() {
        auto refunds = Gateway().Requests("refund");
        EXPECT_EQ(refunds.size(), 1u);
        return refunds.empty() ? FakeGateway::Record{} : refunds.back();
    }
    static std::vector<std::string> ReceiptLines(
        const std::string& outTradeNo, const std::string& transactionId, const std::string& total,
        const std::string& outRefundNo, const std::string& refundId, const std::string& refunded,
        const std::string& coupon, const std::string& actual) {
        return {"          微信支付退款小票",
                "",
                "所属商户:海川测试商户",
                "门店名称:测试门店一号",
                "操作员编号:1001",
                "商户订单号:" + outTradeNo,
                "微信订单号:" + transactionId,
                "订单总金额:" + total + "元",
                "",
                "商户退款单号:" + outRefundNo,
                "微信退款单号:" + refundId,
                "退款总金额:" + refunded + "元",
                "优惠退款金额:" + coupon + "元",
                "实际退款金额:" + actual + "元",
                ""};
    }
};

// A reply field as the fake gateway sent it.
std::string ReplyField(const FakeGateway::Record& record, const std::string& name) {
    const std::string& reply = record.reply_body;
    const size_t start = reply.find("<" + name + "><![CDATA[");
    if (start == std::string::npos) {
        return {};
    }
    const size_t value = start + name.size() + 11;
    return reply.substr(value, reply.find("]]>", value) - value);
}

}  // namespace

TEST_F(Refund, LaysOutTheDialogWithItsHintsAndClosesOnTheCancelKey) {
    Then(kCaption, [](Form& f) {
        EXPECT_EQ(f.size(), QSize(411, 338));
        EXPECT_EQ(f.ActiveControlName(), "editRefundFee");
        EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                  "输入完成按Enter，取消按ESC");
        EXPECT_EQ(f.findChild<QLabel*>("Label2")->text().toStdString(),
                  "请输入退款金额、通道订单号（或商户订单号）和退款授权码");
        EXPECT_EQ(f.findChild<QLabel*>("Label3")->text().toStdString(),
                  "注：1. 通道订单号与商户订单号，只需要输入其中一项。");
        EXPECT_EQ(f.findChild<QLabel*>("Label1")->text().toStdString(),
                  "2. 退款授权码即为门店超级密码，建议由店长保管和输入。");
        EXPECT_TRUE(ShowsHint(f, "editPassTradeno", kPassHint));
        EXPECT_TRUE(ShowsHint(f, "editOutTradeno", kOutHint));
        EXPECT_EQ(Edit(f, "editRefundPsw")->echoMode(), QLineEdit::Password);
        // What the edit shows, not what its style would say: the mask it draws is its own.
        Edit(f, "editRefundPsw")->setText("ab1");
        EXPECT_EQ(Edit(f, "editRefundPsw")->displayText(), "***");
        Edit(f, "editRefundPsw")->clear();
        for (const char* name : {"editPassTradeno", "editOutTradeno", "editRefundPsw"}) {
            Press(f, Qt::Key_Down);
            EXPECT_EQ(f.ActiveControlName(), name);
        }
        Press(f, Qt::Key_Up);
        EXPECT_EQ(f.ActiveControlName(), "editOutTradeno");
        Press(f, Qt::Key_Escape);
    });
    EXPECT_TRUE(Run("TForm_Refund").IsUnassigned());
    EXPECT_TRUE(Gateway().Requests().empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Refund, AHintGivesWayToTypingAndComesBackOnlyWhenTheEditIsLeftEmpty) {
    Then(kCaption, [](Form& f) {
        Press(f, Qt::Key_Return);
        EXPECT_EQ(Text(f, "editPassTradeno"), "") << "entering an edit at its hint empties it";
        QLineEdit* pass = Edit(f, "editPassTradeno");
        EXPECT_FALSE(pass->font().italic());
        EXPECT_EQ(pass->palette().color(QPalette::Text), QColor(Qt::black));
        Press(f, Qt::Key_Return);
        EXPECT_TRUE(ShowsHint(f, "editPassTradeno", kPassHint)) << "left empty: the hint again";

        Type(f, "T123");
        Press(f, Qt::Key_Up);
        EXPECT_EQ(Text(f, "editPassTradeno"), "");
        Type(f, "  ");
        Press(f, Qt::Key_Up);
        EXPECT_EQ(f.ActiveControlName(), "editRefundFee");
        EXPECT_EQ(Text(f, "editOutTradeno"), "T123") << "typed text stays";
        EXPECT_FALSE(Edit(f, "editOutTradeno")->font().italic());
        EXPECT_EQ(Text(f, "editPassTradeno"), "  ") << "blanks are not empty";
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Refund");
}

TEST_F(Refund, AmountFilterRefusesAThirdDecimalAndASecondPoint) {
    Then(kCaption, [](Form& f) {
        Type(f, "5.0");
        Type(f, ".");
        EXPECT_EQ(Text(f, "editRefundFee"), "5.0");
        Type(f, "0");
        Press(f, Qt::Key_Home);
        Type(f, "7");
        EXPECT_EQ(Text(f, "editRefundFee"), "5.00");
        Type(f, "x-,");
        Press(f, Qt::Key_End);
        Press(f, Qt::Key_Backspace);
        EXPECT_EQ(Text(f, "editRefundFee"), "5.0");
        Press(f, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(Text(f, "editRefundFee"), "5.0");
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Refund");
}

// One missing entry each: the message, the edit that gets the focus, nothing sent.
struct TMissingRow {
    const char* Name;
    const char* Amount;
    const char* PassTradeNo;
    const char* OutTradeNo;
    const char* Password;
    const char* Message;
    const char* Focus;
};

class RefundMissing : public Refund, public ::testing::WithParamInterface<TMissingRow> {};

TEST_P(RefundMissing, StopsAtTheFirstMissingEntryWithItsMessageAndFocus) {
    const TMissingRow& row = GetParam();
    Then(kCaption, [this, &row](Form& f) {
        Enter(f, {row.Amount, row.PassTradeNo, row.OutTradeNo, row.Password});
        EXPECT_EQ(f.ActiveControlName(), row.Focus);
        EXPECT_TRUE(f.isVisible());
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Refund");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, row.Message);
    EXPECT_EQ(boxes[0].caption, "提示");
    EXPECT_EQ(boxes[0].flags, 0x40u);
    EXPECT_TRUE(Gateway().Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Checks, RefundMissing,
    ::testing::Values(TMissingRow{"NoAmount", nullptr, "4200001", nullptr, kSuperPwd,
                                  "请输入退款金额!", "editRefundFee"},
                      TMissingRow{"BothOrderNumbersAtTheirHints", "1", nullptr, nullptr, kSuperPwd,
                                  "请输入通道订单号或商户订单号!", "editPassTradeno"},
                      TMissingRow{"NoPasswordComesAfterTheOrderNumbers", "1", nullptr, nullptr,
                                  nullptr, "请输入通道订单号或商户订单号!", "editPassTradeno"},
                      TMissingRow{"NoPassword", "1", nullptr, "T1", nullptr, "请输入退款授权码!",
                                  "editRefundPsw"},
                      TMissingRow{"BlankPassword", "1", "4200001", nullptr, "   ",
                                  "请输入退款授权码!", "editRefundPsw"}),
    [](const ::testing::TestParamInfo<TMissingRow>& info) { return info.param.Name; });

// An amount as typed and the fen the request carries.
struct TAmountRow {
    const char* Name;
    const char* Typed;
    const char* Fen;
    const char* Shown;
};

class RefundAmount : public Refund, public ::testing::WithParamInterface<TAmountRow> {};

TEST_P(RefundAmount, SendsTheAmountInFenAndPrintsTheReceipt) {
    const TAmountRow& row = GetParam();
    Then(kCaption, [&row](Form& f) { Enter(f, {row.Typed, nullptr, "T77", kSuperPwd}); });
    Run("TForm_Refund");

    const FakeGateway::Record refund = OnlyRefund();
    EXPECT_TRUE(refund.problems.empty()) << refund.problems.front();
    EXPECT_EQ(refund.sign_ok, true);
    EXPECT_TRUE(refund.layout_ok);
    ExpectTillIdentity(refund);
    EXPECT_EQ(refund.fields.at("pass_trade_no"), "");
    EXPECT_EQ(refund.fields.at("out_trade_no"), "T77");
    EXPECT_EQ(refund.fields.at("refund_fee"), row.Fen);
    EXPECT_EQ(refund.decrypted.at("super_pwd"), kSuperPwd);

    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"退款申请提交成功。"});
    ExpectPrinted(ReceiptLines("T77", ReplyField(refund, "transaction_id"), row.Shown,
                               ReplyField(refund, "out_refund_no"), ReplyField(refund, "refund_id"),
                               row.Shown, "0.00", row.Shown));
}

INSTANTIATE_TEST_SUITE_P(Amounts, RefundAmount,
                         ::testing::Values(TAmountRow{"Decimal", "12.5", "1250", "12.50"},
                                           TAmountRow{"Cents", "0.29", "29", "0.29"},
                                           TAmountRow{"Zero", "0", "0", "0.00"},
                                           TAmountRow{"TrailingPoint", "7.", "700", "7.00"},
                                           TAmountRow{"LeadingPoint", ".5", "50", "0.50"}),
                         [](const ::testing::TestParamInfo<TAmountRow>& info) {
                             return info.param.Name;
                         });

TEST_F(Refund, ANumberInsideTheDigitsRoundsHalfToEven) {
    // A point typed between digits makes three decimals, which the filter cannot stop.
    Then(kCaption, [](Form& f) {
        Type(f, "1005");
        Press(f, Qt::Key_Home);
        Press(f, Qt::Key_Right);
        Type(f, ".");
        EXPECT_EQ(Text(f, "editRefundFee"), "1.005");
        Enter(f, {nullptr, nullptr, "T1", kSuperPwd});
    });
    Run("TForm_Refund");
    EXPECT_EQ(OnlyRefund().fields.at("refund_fee"), "100");
}

TEST_F(Refund, OnlyTheChannelNumberSendsAnEmptyMerchantNumberAndPrintsItEmpty) {
    Reply("refund", R"({"fields": {"transaction_id": "W9", "out_refund_no": "R9",
                        "refund_id": "RID9", "total_fee": "5000", "refund_fee": "1500",
                        "coupon_refund_fee": "200"}})");
    Then(kCaption, [](Form& f) { Enter(f, {"15", " 4200009 ", nullptr, kSuperPwd}); });
    Run("TForm_Refund");
    const FakeGateway::Record refund = OnlyRefund();
    EXPECT_EQ(refund.fields.at("pass_trade_no"), "4200009");
    EXPECT_EQ(refund.fields.at("out_trade_no"), "");
    ExpectPrinted(ReceiptLines("", "W9", "50.00", "R9", "RID9", "15.00", "2.00", "13.00"));
}

TEST_F(Refund, BothNumbersTypedAreBothSentAndBlanksOnlySendNothing) {
    Then(kCaption, [](Form& f) { Enter(f, {"1", "4200001", "T1", kSuperPwd}); });
    Run("TForm_Refund");
    // A channel edit holding only blanks is not at its hint: the checks pass.
    Then(kCaption, [](Form& f) { Enter(f, {"1", "   ", nullptr, kSuperPwd}); });
    Run("TForm_Refund");
    auto refunds = Gateway().Requests("refund");
    ASSERT_EQ(refunds.size(), 2u);
    EXPECT_EQ(refunds[0].fields.at("pass_trade_no"), "4200001");
    EXPECT_EQ(refunds[0].fields.at("out_trade_no"), "T1");
    EXPECT_EQ(refunds[1].fields.at("pass_trade_no"), "");
    EXPECT_EQ(refunds[1].fields.at("out_trade_no"), "");
}

TEST_F(Refund, AMissingDiscountRefundsTheWholeAmount) {
    Reply("refund", R"({"fields": {"coupon_refund_fee": null, "total_fee": "900",
                        "refund_fee": "300", "transaction_id": "W3", "out_refund_no": "R3",
                        "refund_id": "RID3"}})");
    Then(kCaption, [](Form& f) { Enter(f, {"3", nullptr, "T3", kSuperPwd}); });
    Run("TForm_Refund");
    ExpectPrinted(ReceiptLines("T3", "W3", "9.00", "R3", "RID3", "3.00", "0.00", "3.00"));
}

TEST_F(Refund, ASuccessWithoutTheOrderTotalShowsTheErrorPrintsNothingAndStaysOpen) {
    Reply("refund", R"({"fields": {"total_fee": null}})");
    Then(kCaption, [this](Form& f) {
        Enter(f, {"2", nullptr, "T4", kSuperPwd});
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(Text(f, "editRefundFee"), "2");
        EXPECT_EQ(Text(f, "editOutTradeno"), "T4");
        EXPECT_EQ(BoxTexts().size(), 2u);
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Refund");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "退款申请提交成功。");
    EXPECT_EQ(boxes[1].caption, "错误");
    EXPECT_EQ(boxes[1].text, "'' is not a valid integer value");
    EXPECT_NE(LogText().find("'' is not a valid integer value"), std::string::npos);
    EXPECT_TRUE(Printed().empty());
}

// A refused or failed refund: the message, the dialog open with all it holds.
struct TFailureRow {
    const char* Name;
    const char* Plan;
    const char* Message;
};

class RefundFailure : public Refund, public ::testing::WithParamInterface<TFailureRow> {};

TEST_P(RefundFailure, ShowsWhyAndKeepsTheDialogOpenWithItsInput) {
    Reply("refund", GetParam().Plan);
    Then(kCaption, [this](Form& f) {
        Enter(f, {"6.6", "4200006", nullptr, kSuperPwd});
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(Text(f, "editRefundFee"), "6.6");
        EXPECT_EQ(Text(f, "editPassTradeno"), "4200006");
        EXPECT_EQ(Text(f, "editRefundPsw"), kSuperPwd);
        EXPECT_EQ(boxes.size(), 1u);
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Refund");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{GetParam().Message});
    EXPECT_EQ(boxes[0].caption, "提示");
    EXPECT_TRUE(Printed().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RefundFailure,
    ::testing::Values(
        TFailureRow{"Negative", R"({"fields": {"result": "-1", "errmsg": "订单不存在"}})",
                    "退款申请失败:订单不存在"},
        TFailureRow{"PositiveWhateverTheCode",
                    R"({"fields": {"result": "2", "errmsg": "余额不足", "errcode": "SUCCESS"}})",
                    "退款申请失败:余额不足"},
        TFailureRow{"HungUp", R"({"hangup": true})", "退款申请失败:当前网络异常，请稍后重新再试！"},
        TFailureRow{"NotXml", R"({"raw": "<html>"})",
                    "退款申请失败:系统运行异常，请联系管理人员！"},
        // A signed reply's result is read as it arrives: one that is no number is a reply
        // that cannot be read.
        TFailureRow{"ResultNoNumber", R"({"fields": {"result": "OK"}})",
                    "退款申请失败:系统运行异常，请联系管理人员！"},
        TFailureRow{"BadSignature", R"({"sign": "wrong"})", "退款申请失败:收到非法签名的数据包!"}),
    [](const ::testing::TestParamInfo<TFailureRow>& info) { return info.param.Name; });

TEST_F(Refund, ALonePointIsNoNumberAndNothingIsSent) {
    Then(kCaption, [](Form& f) {
        Enter(f, {".", nullptr, "T6", kSuperPwd});
        EXPECT_TRUE(f.isVisible());
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Refund");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, Application::Title());
    EXPECT_EQ(boxes[0].text, "'.' is not a valid floating point value");
    EXPECT_TRUE(Gateway().Requests().empty());
}

TEST_F(Refund, ARefusedRefundCorrectedAndSentAgainSucceedsAndPrints) {
    // The gateway's own check of the authorisation code answers the first attempt.
    Reply("refund", R"({"fields": {"result": "1", "errmsg": "退款金额超过可退金额",
                        "errcode": "REFUND_FEE_INVALID"}})");
    Then(kCaption, [this](Form& f) {
        Enter(f, {"80", nullptr, "T8", "111111"});
        EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"退款申请失败:退款金额超过可退金额"}));
        EXPECT_EQ(Text(f, "editOutTradeno"), "T8");
        // Wrong code now: the fake gateway refuses it itself.
        Press(f, Qt::Key_Return);
        EXPECT_EQ(boxes.back().text, "退款申请失败:退款授权码错误");
        // The amount corrected, the right code typed over the wrong one.
        Edit(f, "editRefundFee")->setFocus();
        Edit(f, "editRefundFee")->selectAll();
        Press(f, Qt::Key_Backspace);
        Type(f, "8.05");
        Edit(f, "editRefundPsw")->setFocus();
        Edit(f, "editRefundPsw")->selectAll();
        Press(f, Qt::Key_Backspace);
        Type(f, kSuperPwd);
        Press(f, Qt::Key_Return);
    });
    Run("TForm_Refund");

    auto refunds = Gateway().Requests("refund");
    ASSERT_EQ(refunds.size(), 3u);
    EXPECT_EQ(refunds[0].fields.at("refund_fee"), "8000");
    EXPECT_EQ(refunds[0].decrypted.at("super_pwd"), "111111");
    EXPECT_EQ(refunds[1].decrypted.at("super_pwd"), "111111");
    EXPECT_EQ(refunds[2].fields.at("refund_fee"), "805");
    EXPECT_EQ(refunds[2].fields.at("out_trade_no"), "T8");
    EXPECT_EQ(refunds[2].decrypted.at("super_pwd"), kSuperPwd);
    for (const auto& refund : refunds) {
        EXPECT_TRUE(refund.problems.empty()) << refund.problems.front();
    }
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{"退款申请失败:退款金额超过可退金额",
                                        "退款申请失败:退款授权码错误", "退款申请提交成功。"}));
    const FakeGateway::Record& done = refunds[2];
    ExpectPrinted(ReceiptLines("T8", ReplyField(done, "transaction_id"), "8.05",
                               ReplyField(done, "out_refund_no"), ReplyField(done, "refund_id"),
                               "8.05", "0.00", "8.05"));
}
