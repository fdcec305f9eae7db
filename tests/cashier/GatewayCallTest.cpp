#include "DialogMessages.h"
#include "GatewayCall.h"
#include "QzErrors.h"
#include "RefundDialogFixture.h"
#include "UnitTodayTotal.h"

namespace {

// A reply, how its result is read, and what the dialog is told.
struct TCallRow {
    const char* Name;
    const char* Plan;
    TResultReading Reading;
    TCallOutcome Outcome;
    std::vector<std::string> Boxes;
};

class GatewayCall : public RefundDialogFixture, public ::testing::WithParamInterface<TCallRow> {};

const char* const kPrefix = "查询失败:";

}  // namespace

TEST_P(GatewayCall, TellsWhichAnswerCameBackAndShowsOnlyAMissingReply) {
    const TCallRow& row = GetParam();
    Reply("todayTotal", row.Plan);
    TTodayTotal total;
    EXPECT_EQ(CallGateway(nullptr, total, row.Reading, kPrefix), row.Outcome);
    EXPECT_EQ(BoxTexts(), row.Boxes);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "提示");
    }
    EXPECT_EQ(Gateway().Requests("todayTotal").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, GatewayCall,
    ::testing::Values(
        TCallRow{"Success", "{}", TResultReading::Integer, TCallOutcome::Success, {}},
        TCallRow{"Negative",
                 R"({"fields": {"result": "-1"}})",
                 TResultReading::Integer,
                 TCallOutcome::Failure,
                 {}},
        TCallRow{"Positive",
                 R"({"fields": {"result": "2"}})",
                 TResultReading::Integer,
                 TCallOutcome::BusinessError,
                 {}},
        TCallRow{"BlanksAndHexAsAnInteger",
                 R"({"fields": {"result": " $0"}})",
                 TResultReading::Integer,
                 TCallOutcome::Success,
                 {}},
        TCallRow{"TextZeroOnlyForExactlyZero",
                 R"({"fields": {"result": " 0"}})",
                 TResultReading::TextZero,
                 TCallOutcome::Failure,
                 {}},
        TCallRow{"TextZeroPositiveIsAFailure",
                 R"({"fields": {"result": "3"}})",
                 TResultReading::TextZero,
                 TCallOutcome::Failure,
                 {}},
        TCallRow{"TextZeroSuccess", "{}", TResultReading::TextZero, TCallOutcome::Success, {}},
        TCallRow{"HungUp",
                 R"({"hangup": true})",
                 TResultReading::Integer,
                 TCallOutcome::NoReply,
                 {"查询失败:当前网络异常，请稍后重新再试！"}},
        TCallRow{"NotXml",
                 R"({"raw": "<"})",
                 TResultReading::TextZero,
                 TCallOutcome::NoReply,
                 {"查询失败:系统运行异常，请联系管理人员！"}}),
    [](const ::testing::TestParamInfo<TCallRow>& info) { return info.param.Name; });

// A reply to a list, detail or totals query, whether the dialog goes on to read it, and what
// the dialog is told.
struct TQueryRow {
    const char* Name;
    const char* Plan;
    bool Answered;
    std::vector<std::string> Boxes;
};

class GatewayQuery : public RefundDialogFixture, public ::testing::WithParamInterface<TQueryRow> {};

TEST_P(GatewayQuery, ReadsOnlyResultZeroAndShowsAFailureAfterThePrefix) {
    const TQueryRow& row = GetParam();
    Reply("todayTotal", row.Plan);
    TTodayTotal total;
    EXPECT_EQ(QueryGateway(nullptr, total, kPrefix), row.Answered);
    EXPECT_EQ(BoxTexts(), row.Boxes);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "提示");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, GatewayQuery,
    ::testing::Values(TQueryRow{"Success", "{}", true, {}},
                      TQueryRow{"Failure",
                                R"({"fields": {"result": "-1", "errmsg": "无此记录"}})",
                                false,
                                {"查询失败:无此记录"}},
                      TQueryRow{"BusinessErrorSaysNothing",
                                R"({"fields": {"result": "2", "errmsg": "稍后再查"}})",
                                false,
                                {}},
                      TQueryRow{"NoReplyWithoutThePrefix",
                                R"({"hangup": true})",
                                false,
                                {"当前网络异常，请稍后重新再试！"}}),
    [](const ::testing::TestParamInfo<TQueryRow>& info) { return info.param.Name; });

class GatewayCallGuard : public RefundDialogFixture {};

TEST_F(GatewayCallGuard, AResultThatIsNoIntegerRaisesAndTheGuardLogsAndShowsIt) {
    Reply("todayTotal", R"({"fields": {"result": "zero"}})");
    TTodayTotal total;
    EXPECT_THROW(CallGateway(nullptr, total), Exception);
    EXPECT_TRUE(boxes.empty());

    Reply("todayTotal", R"({"fields": {"result": "zero"}})");
    bool after = false;
    EXPECT_FALSE(GuardDialogStep(nullptr, [&] {
        TTodayTotal again;
        CallGateway(nullptr, again);
        after = true;
    }));
    EXPECT_FALSE(after);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "错误");
    EXPECT_EQ(boxes[0].text, "'zero' is not a valid integer value");
    EXPECT_NE(LogText().find("'zero' is not a valid integer value"), std::string::npos);
    EXPECT_TRUE(GuardDialogStep(nullptr, [] {}));
}
