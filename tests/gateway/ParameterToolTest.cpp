#include <cstdlib>

#include "GatewayFixture.h"
#include "QzParameterFile.h"
#include "UnitQueryStoreInfo.h"

namespace {

using ParameterToolTest = GatewayFixture;

TEST_F(ParameterToolTest, ATillGivenTheFileInitialisesItsStoreAtTheFakeGateway) {
    std::string command =
        std::string("timeout 30 '") + MAKE_PARAMETER_FILE + "' '" + folder_.Path() + "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);

    RequestUrls = TRequestUrl{};
    LoadParameterFile();
    EXPECT_EQ(RequestUrls.queryStoreInfoUrl, "/pay/queryStoreInfo");
    EXPECT_EQ(RequestUrls.refundQueryUrl, "/pay/refundQuery");
    EXPECT_EQ(RequestUrls.syyUpdPwdUrl, "/pay/syyUpdPwd");

    TQueryStoreInfo info;
    info.store_appid = kStoreAppId;
    info.super_pwd = "888888";
    ASSERT_TRUE(Exchange(info)) << info.ErrorMsg;
    EXPECT_EQ(info.key, kMerchantKey);
    EXPECT_EQ(Gateway().Requests("queryStoreInfo").at(0).path, "/pay/queryStoreInfo");
}

}  // namespace
