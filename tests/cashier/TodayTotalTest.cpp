#include <QLabel>
#include <QPlainTextEdit>

#include <cstdio>

#include "RefundDialogFixture.h"

using namespace platform;

namespace {

const char* const kCaption = "今日汇总";

const std::vector<std::string> kInitialLines = {
    "门店名称：",   "收银员编号：", "收款总笔数：", "收款总金额：",
    "退款总笔数：", "退款总金额：", "实收总金额：",
};

class TodayTotal : public RefundDialogFixture {
protected:
    static std::vector<std::string> Shown(Form& f) {
        std::vector<std::string> lines;
        const QString text = f.findChild<QPlainTextEdit*>("MemoTodayTotal")->toPlainText();
        for (const QString& line : text.split('\n')) {
            lines.push_back(line.toStdString());
        }
        return lines;
    }
    // Opens the dialog; check sees what it shows, then the keys are pressed.
    void Open(std::function<void(Form&)> check, std::vector<int> keys) {
        Then(kCaption, [check, keys](Form& f) {
            check(f);
            for (int key : keys) {
                Press(f, key);
            }
        });
        Run("TForm_Today_Total");
    }
    // The receipt's frame around the lines shown: title, empty, the lines, empty, empty.
    static std::vector<std::string> Framed(const std::vector<std::string>& shown) {
        std::vector<std::string> lines = {"            微信支付今日汇总", ""};
        lines.insert(lines.end(), shown.begin(), shown.end());
        lines.insert(lines.end(), {"", ""});
        return lines;
    }
};

const std::vector<std::string> kSampleLines = {
    "所属商户:海川测试商户", "门店名称:测试门店一号", "收银员编号:1001", "",
    "收款总笔数:2笔",        "收款总金额:12.51元",    "退款总笔数:2笔",  "退款总金额:3.50元",
    "实收总金额:9.01元",
};

}  // namespace

TEST_F(TodayTotal, ItsLinesAreOnlyToBeReadYetBlackOnWhiteAndTheFormTakesTheKeys) {
    Open(
        [](Form& f) {
            auto* memo = f.findChild<QPlainTextEdit*>("MemoTodayTotal");
            EXPECT_FALSE(memo->isEnabled());
            EXPECT_EQ(memo->palette().color(QPalette::Disabled, QPalette::Text), QColor(Qt::black));
            EXPECT_EQ(memo->palette().color(QPalette::Disabled, QPalette::Base), QColor(Qt::white));
            EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
            EXPECT_EQ(memo->geometry(), QRect(0, 90, 349, 301));
            EXPECT_EQ(f.focusWidget(), &f);
        },
        {Qt::Key_Escape});
}

TEST_F(TodayTotal, QueriesBeforeShowingAndEnterPrintsTheFourteenLines) {
    Open(
        [](Form& f) {
            EXPECT_EQ(f.size(), QSize(349, 391));
            EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                      "按Enter打印，退出按ESC。");
            EXPECT_EQ(Shown(f), kSampleLines);
        },
        {Qt::Key_Return, Qt::Key_Escape});

    auto queries = Gateway().Requests("todayTotal");
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_TRUE(queries[0].problems.empty()) << queries[0].problems.front();
    EXPECT_EQ(queries[0].sign_ok, true);
    EXPECT_EQ(queries[0].field_order,
              (std::vector<std::string>{"appid", "mch_id", "store_appid", "syy_id", "sign"}));
    EXPECT_EQ(queries[0].fields.at("syy_id"), kSyyId);
    EXPECT_TRUE(boxes.empty());
    ExpectPrinted(Framed(kSampleLines));
}

TEST_F(TodayTotal, AmountsShowWithTwoDecimalsAndCountsAsSent) {
    Reply("todayTotal", R"({"fields": {"total_order_num": " 007", "total_order_fee": "12.5",
                            "total_refund_num": "x", "total_refund_fee": "-0.5",
                            "total_get_fee": "30000000.005"}})");
    Open(
        [](Form& f) {
            const std::vector<std::string> shown = Shown(f);
            ASSERT_EQ(shown.size(), 9u);
            EXPECT_EQ(shown[4], "收款总笔数: 007笔");
            EXPECT_EQ(shown[5], "收款总金额:12.50元");
            EXPECT_EQ(shown[6], "退款总笔数:x笔");
            EXPECT_EQ(shown[7], "退款总金额:-0.50元");
            // Exact decimal: a half fen goes to the even neighbour, above 32 bits of fen too.
            EXPECT_EQ(shown[8], "实收总金额:30000000.00元");
        },
        {Qt::Key_Escape});
    EXPECT_TRUE(Printed().empty()) << "the cancel key does not print";
}

// A query that does not fill the lines: what is shown, then what Enter prints.
struct TUnfilledRow {
    const char* Name;
    const char* Plan;
    std::vector<std::string> Boxes;
};

class TodayTotalUnfilled : public TodayTotal, public ::testing::WithParamInterface<TUnfilledRow> {};

TEST_P(TodayTotalUnfilled, LeavesTheSevenLabelsAndEnterPrintsThemInTheFrame) {
    Reply("todayTotal", GetParam().Plan);
    Open([](Form& f) { EXPECT_EQ(Shown(f), kInitialLines); }, {Qt::Key_Return, Qt::Key_Escape});
    EXPECT_EQ(BoxTexts(), GetParam().Boxes);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "提示");
    }
    ExpectPrinted(Framed(kInitialLines));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, TodayTotalUnfilled,
    ::testing::Values(
        TUnfilledRow{"Failed",
                     R"({"fields": {"result": "-3", "errmsg": "商户不存在"}})",
                     {"查询今日汇总失败：商户不存在"}},
        TUnfilledRow{"BusinessErrorShowsNothing",
                     R"({"fields": {"result": "$10", "errmsg": "x", "errcode": "Y"}})",
                     {}},
        TUnfilledRow{"NoConnection", R"({"hangup": true})", {"当前网络异常，请稍后重新再试！"}},
        TUnfilledRow{"NotXml", R"({"raw": "not xml"})", {"系统运行异常，请联系管理人员！"}}),
    [](const ::testing::TestParamInfo<TUnfilledRow>& info) { return info.param.Name; });

TEST_F(TodayTotal, AnAmountThatIsNoNumberStopsTheFillingWhereItStands) {
    Reply("todayTotal", R"({"fields": {"total_order_fee": "12,5"}})");
    const std::vector<std::string> kept(kSampleLines.begin(), kSampleLines.begin() + 5);
    Open([&](Form& f) { EXPECT_EQ(Shown(f), kept); }, {Qt::Key_Return, Qt::Key_Escape});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "错误");
    EXPECT_EQ(boxes[0].text, "'12,5' is not a valid floating point value");
    EXPECT_NE(LogText().find("'12,5' is not a valid floating point value"), std::string::npos);
    ExpectPrinted(Framed(kept));
}

TEST_F(TodayTotal, EveryEnterPrintsOnceAndAnotherCancelKeyCloses) {
    ShortCutSet.ShortCutCancel = "F2";
    Then(kCaption, [this](Form& f) {
        EXPECT_EQ(f.findChild<QLabel*>("LabelTip")->text().toStdString(),
                  "按Enter打印，退出按F2。");
        // Each receipt rewrites the port file: it is taken away after each look.
        for (int round = 0; round < 2; ++round) {
            Press(f, Qt::Key_Return);
            ExpectPrinted(Framed(kSampleLines));
            std::remove(folder_.File("LPT1").c_str());
            Press(f, Qt::Key_Escape);
            EXPECT_TRUE(f.isVisible()) << "Esc is not the cancel key now";
            EXPECT_TRUE(Printed().empty()) << "only Enter prints";
        }
        Press(f, Qt::Key_F2);
    });
    Run("TForm_Today_Total");
    EXPECT_EQ(Gateway().Requests("todayTotal").size(), 1u) << "one query, however many prints";
}
