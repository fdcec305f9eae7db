#pragma once

#include <string>

class QLineEdit;

// Text typed into an edit, without blanks and control characters at either end.
std::string TrimmedText(const QLineEdit* edit);
