#include "GatewayCall.h"

#include "DialogMessages.h"
#include "QzReplyNumber.h"

TCallOutcome CallGateway(QWidget* owner, TGatewayRequest& request, TResultReading reading,
                         const std::string& noReplyPrefix) {
    if (!request.BuildRequest() || !request.SendRequest()) {
        ShowTip(owner, noReplyPrefix + request.ErrorMsg);
        return TCallOutcome::NoReply;
    }
    if (reading == TResultReading::TextZero) {
        return request.result == "0" ? TCallOutcome::Success : TCallOutcome::Failure;
    }
    const int n = ReplyInteger(request.result);
    if (n == 0) {
        return TCallOutcome::Success;
    }
    return n < 0 ? TCallOutcome::Failure : TCallOutcome::BusinessError;
}

bool QueryGateway(QWidget* owner, TGatewayRequest& query, const std::string& failurePrefix) {
    const TCallOutcome outcome = CallGateway(owner, query);
    if (outcome == TCallOutcome::Failure) {
        ShowTip(owner, failurePrefix + query.errmsg);
    }
    return outcome == TCallOutcome::Success;
}
