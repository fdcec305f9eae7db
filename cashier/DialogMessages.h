#pragma once

#include <exception>
#include <functional>
#include <string>

class QWidget;

// The boxes a cashier dialog shows.

// A validation message or a gateway answer, under "提示".
void ShowTip(QWidget* owner, const std::string& text);

// An error caught inside a dialog operation: its message goes to the day's log, then to the
// cashier under "错误". A log that cannot be written does not keep the message from the cashier.
void ReportCaughtError(QWidget* owner, const std::exception& error);

// Runs one operation of a dialog; an error it raises is reported as above and goes no further.
// False when it raised.
bool GuardDialogStep(QWidget* owner, const std::function<void()>& step);
