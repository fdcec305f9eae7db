#pragma once

#include <string>

#include "GatewayRequest.h"

class QWidget;

// How a dialog calls the gateway: the request object's fields filled (the store and cashier
// come with it), then one call that builds, sends and tells which of the answers came back.

enum class TCallOutcome {
    NoReply,        // building or sending failed; its ErrorMsg has been shown under "提示"
                    // (after the dialog's prefix, where it has one)
    Success,        // result 0
    Failure,        // result below 0 (or, read as text, anything but "0"), described by errmsg
    BusinessError,  // result above 0, named by the operation's errcode
};

// How result is read: as an integer (raises Exception when it is none), or compared with "0"
// as text, as the sign-in dialogs do.
enum class TResultReading { Integer, TextZero };

TCallOutcome CallGateway(QWidget* owner, TGatewayRequest& request,
                         TResultReading reading = TResultReading::Integer,
                         const std::string& noReplyPrefix = {});

// A query of the list, detail and totals dialogs, read as an integer: true when its reply has
// result 0; a failure shows failurePrefix and the gateway's errmsg under "提示". A business error
// shows nothing, a missing reply only what CallGateway showed.
bool QueryGateway(QWidget* owner, TGatewayRequest& query, const std::string& failurePrefix);
