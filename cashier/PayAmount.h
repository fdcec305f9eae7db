#pragma once

#include <cstdint>
#include <string>

#include "QzReplyNumber.h"  // the amounts of replies are read as integers

// Amounts as the payment dialogs handle them: the cashier types yuan, the gateway carries
// integer fen as decimal text.

// The typed yuan text as fen text: 12.34 gives "1234", 0.1 gives "10", 12 gives "1200". The
// text is read exactly in decimal (blanks around it, a sign and an exponent allowed), times
// 100, rounded to the nearest integer with an exact half to the even neighbour. Raises
// Exception "'<text>' is not a valid floating point value" for anything else, and
// "'<text>' is out of range" when the fen do not fit in 64 bits.
std::string YuanToFen(const std::string& yuan);

// Fen as yuan with exactly two decimals: 1234 gives "12.34", 5 gives "0.05", -100 gives "-1.00".
std::string FenToYuan(int64_t fen);

// The amount edits' character filter: whether ch may go into an edit that holds text. Only
// backspace, "." and digits pass; no second "."; nothing but backspace once a "." has two
// characters after it, wherever the caret stands.
bool AmountCharAllowed(const std::string& text, char32_t ch);

// Whether an amount read from the cash-register window may replace the edit's text: at most
// two characters after the first ".", and at least one before and one after it.
bool ExternalAmountAccepted(const std::string& amount);
