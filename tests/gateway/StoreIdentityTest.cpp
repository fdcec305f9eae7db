#include "GatewayFixture.h"
#include "UnitCloseOrder.h"
#include "UnitMicroPay.h"
#include "UnitOrderPrintQuery.h"
#include "UnitOrderQuery.h"
#include "UnitQueryOrderDetail.h"
#include "UnitQueryRefundDetail.h"
#include "UnitRefund.h"
#include "UnitRefundPrintQuery.h"
#include "UnitReverse.h"
#include "UnitSyyLogin.h"
#include "UnitSyyUpdPwd.h"
#include "UnitTodayTotal.h"
#include "UnitUnifiedOrder.h"

namespace {

// The signed-in cashier, put back when the test ends.
class SignedInCashier {
public:
    explicit SignedInCashier(const char* id) : saved_(SyyInfo) { SyyInfo = {id, "李四"}; }
    ~SignedInCashier() { SyyInfo = saved_; }

private:
    TSyyInfo saved_;
};

// The text of a request built as it comes, nothing filled by the caller.
template <class Request>
std::string BuiltAsItComes() {
    Request request;
    EXPECT_TRUE(request.BuildRequest());
    return request.RequestXml;
}

struct TIdentityRow {
    const char* Name;
    std::string (*Build)();
};

class StoreIdentity : public GatewayFixture, public ::testing::WithParamInterface<TIdentityRow> {};
class StoreIdentityTaken : public GatewayFixture {};

const std::string kIdentityLines =
    "<xml>\r\n"
    "  <appid><![CDATA[wx2421b1c4370ec43b]]></appid>\r\n"
    "  <mch_id><![CDATA[1900000109]]></mch_id>\r\n"
    "  <store_appid><![CDATA[S0001]]></store_appid>\r\n"
    "  <syy_id><![CDATA[2002]]></syy_id>\r\n";

}  // namespace

TEST_P(StoreIdentity, ARequestOpensWithTheStoreAndTheSignedInCashier) {
    SignedInCashier cashier("2002");
    const std::string text = GetParam().Build();
    EXPECT_NE(text.find(kIdentityLines), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, StoreIdentity,
    ::testing::Values(TIdentityRow{"MicroPay", BuiltAsItComes<TMicroPay>},
                      TIdentityRow{"OrderQuery", BuiltAsItComes<TOrderQuery>},
                      TIdentityRow{"Reverse", BuiltAsItComes<TReverse>},
                      TIdentityRow{"UnifiedOrder", BuiltAsItComes<TUnifiedOrder>},
                      TIdentityRow{"CloseOrder", BuiltAsItComes<TCloseOrder>},
                      TIdentityRow{"Refund", BuiltAsItComes<TRefund>},
                      TIdentityRow{"QueryRefundDetail", BuiltAsItComes<TQueryRefundDetail>},
                      TIdentityRow{"QueryOrderDetail", BuiltAsItComes<TQueryOrderDetail>},
                      TIdentityRow{"RefundPrintQuery", BuiltAsItComes<TRefundPrintQuery>},
                      TIdentityRow{"OrderPrintQuery", BuiltAsItComes<TOrderPrintQuery>},
                      TIdentityRow{"TodayTotal", BuiltAsItComes<TTodayTotal>},
                      TIdentityRow{"SyyLogin", BuiltAsItComes<TSyyLogin>},
                      TIdentityRow{"SyyUpdPwd", BuiltAsItComes<TSyyUpdPwd>}),
    [](const ::testing::TestParamInfo<TIdentityRow>& info) { return info.param.Name; });

TEST_F(StoreIdentityTaken, TheIdentityIsTakenWhenTheRequestIsMadeAndACallerMaySpeakForAnother) {
    SignedInCashier cashier("2002");
    TSyyLogin login;
    login.syy_id = "3003";  // the account typed at the sign-in
    SyyInfo.SyyID = "4004";
    InterfacePRM.StoreAppID = "S0002";
    login.syy_pwd = "123456";
    ASSERT_TRUE(Exchange(login));
    const auto record = Gateway().Requests("syyLogin").at(0);
    EXPECT_EQ(record.field_order,
              (std::vector<std::string>{"appid", "mch_id", "store_appid", "syy_id", "syy_pwd"}));
    EXPECT_EQ(record.fields.at("store_appid"), kStoreAppId);
    EXPECT_EQ(record.fields.at("syy_id"), "3003");
}
