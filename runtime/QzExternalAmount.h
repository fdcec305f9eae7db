#pragma once

#include <string>

#include "Accessibility.h"

class QWidget;

// Reads the amount due from the shop's own cash-register program: the text of one control in
// a top-level window found by a part of its title. The control is the one at position Order
// when the window's controls are numbered from 0 in pre-order (a child, then its own
// children, then the next child), and its class must be ClassName, compared without case.

// Text := the first text found in a top-level window whose title holds TitlePart (exact bytes,
// with case), going through the windows in the desktop's order; empty when none gives one.
// WindowHandle is the calling dialog. The windows of this program are not searched: asking them
// over the accessibility bus would wait on this very thread, and none of them is the cash
// register's.
void GetExternalAmount(QWidget* WindowHandle, const std::string& TitlePart, int Order,
                       const std::string& ClassName, std::string& Text);

// The trimmed text of Parent's control at position Order when its class is ClassName ("0" for
// a control with no text); empty when the control at Order has another class or is missing.
std::string FindChildWindowText(const platform::AccessibleWindow& Parent, int Order,
                                const std::string& ClassName);

// Text := the window's text as its program gives it.
void GetWindowTextByMessage(const platform::AccessibleWindow& Window, std::string& Text);

// True when every character is a digit or a point: "12.50", "1.2.3" and "" are amount texts.
bool IsAmountText(const std::string& Text);
