#pragma once

#include <exception>
#include <string>

class QLabel;
class QLineEdit;
class QWidget;

// The look the sign-in and store initialisation dialogs share: white, "宋体" at 14 pixels, a
// highlight-coloured band with a white title across the top, edits 250 pixels wide with their
// labels on the left, and a grey key tip under them.

// Caption and fixed client size of the dialog; it is centred when shown.
void SetUpSignInDialog(QWidget* dialog, const char* caption, int width, int height);

// The 80-pixel band across the top, Panel1, with its title.
QLabel* MakeTitleBand(QWidget* dialog, int width, const char* title);

// An edit at (x, y) with its label right-aligned before it.
QLineEdit* MakeLabelledEdit(QWidget* dialog, const char* name, const char* label, int x, int y);

// The key tip, LabelTip, right-aligned to end where the edits end.
QLabel* MakeKeyTip(QWidget* dialog, int y, int right);

// Text typed into an edit, without blanks and control characters at either end.
std::string TrimmedText(const QLineEdit* edit);

// An error caught inside a dialog operation: its message goes to the day's log, then to the
// cashier under "错误". A log that cannot be written does not keep the message from the cashier.
void ReportCaughtError(QWidget* owner, const std::exception& error);
