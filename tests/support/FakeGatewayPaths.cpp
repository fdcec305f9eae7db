#include "FakeGatewayPaths.h"

#include <filesystem>

#include "FakeGateway.h"
#include "QzParameterFile.h"
#include "QzRuntimeGlobal.h"

void PointPathsAtFakeGateway() {
    std::string* fields[] = {&RequestUrls.queryStoreInfoUrl,   &RequestUrls.syyLoginUrl,
                             &RequestUrls.microPayUrl,         &RequestUrls.orderQueryUrl,
                             &RequestUrls.orderReverseUrl,     &RequestUrls.closeOrderUrl,
                             &RequestUrls.unifiedOrderUrl,     &RequestUrls.refundUrl,
                             &RequestUrls.refundQueryUrl,      &RequestUrls.queryRefundDetailUrl,
                             &RequestUrls.queryOrderDetailUrl, &RequestUrls.refundPrintQueryUrl,
                             &RequestUrls.orderPrintQueryUrl,  &RequestUrls.todayTotalUrl,
                             &RequestUrls.syyUpdPwdUrl};
    const auto& paths = FakeGateway::Paths();
    for (size_t i = 0; i < paths.size(); ++i) {
        *fields[i] = paths[i];
    }
}

void SaveFakeGatewayStore(const std::string& programFolder) {
    const std::string savedAppPath = AppPath;
    const TRequestUrl savedUrls = RequestUrls;
    const TInterfacePRM savedParameters = InterfacePRM;
    AppPath = programFolder;
    std::filesystem::create_directories(programFolder + "Parameter");
    PointPathsAtFakeGateway();
    InterfacePRM = {"海川测试商户",       "1900000109",
                    "wx2421b1c4370ec43b", "192006250b4c09247ec02edce69f6a2d",
                    "测试门店一号",       "S0001"};
    SaveParameterFile();
    AppPath = savedAppPath;
    RequestUrls = savedUrls;
    InterfacePRM = savedParameters;
}
