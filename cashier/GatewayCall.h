#pragma once

#include "GatewayRequest.h"

class QWidget;

// How a dialog calls the gateway: the request object's fields filled (the store and cashier
// come with it), then one call that builds, sends and tells which of the answers came back.

enum class TCallOutcome {
    NoReply,        // building or sending failed; its ErrorMsg has been shown under "提示"
    Success,        // result 0
    Failure,        // result below 0 (or, read as text, anything but "0"), described by errmsg
    BusinessError,  // result above 0, named by the operation's errcode
};

// How result is read: as an integer (raises Exception when it is none), or compared with "0"
// as text, as the sign-in dialogs do.
enum class TResultReading { Integer, TextZero };

TCallOutcome CallGateway(QWidget* owner, TGatewayRequest& request,
                         TResultReading reading = TResultReading::Integer);
