#pragma once

class QLineEdit;

namespace platform {
class Form;
}

// The keys of an edit that takes an amount in yuan, and the amount that may fill it from the
// cash-register program's window.

// The amount edits' character filter (AmountCharAllowed): a refused character becomes 0. Tab
// and Delete pass untouched: to the edits the tills were built on they are keys, not
// characters.
void FilterAmountChar(const QLineEdit* edit, char32_t& ch);

// Ctrl+V would paste past the character filter; the filter refuses its control character, so
// the key is dropped (key := 0).
void RefusePaste(int& key);

// The amount due read from the cash-register program's window into the amount edit, when it
// reads as an amount the edit would accept.
void LoadExternalAmount(platform::Form* dialog, QLineEdit* editMoney);
