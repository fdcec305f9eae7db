#include "GatewayCall.h"

#include "DialogMessages.h"
#include "QzReplyNumber.h"

TCallOutcome CallGateway(QWidget* owner, TGatewayRequest& request, TResultReading reading) {
    if (!request.BuildRequest() || !request.SendRequest()) {
        ShowTip(owner, request.ErrorMsg);
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
