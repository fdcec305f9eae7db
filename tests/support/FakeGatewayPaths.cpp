#include "FakeGatewayPaths.h"

#include "FakeGateway.h"
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
