#pragma once

#include <initializer_list>
#include <string>

class QLineEdit;
class QWidget;

// Text typed into an edit, without blanks and control characters at either end.
std::string TrimmedText(const QLineEdit* edit);

// An edit a dialog cannot go on without, and what the cashier is told when it is left empty.
struct TRequiredEdit {
    QLineEdit* edit;
    const char* message;
};

// Checks the edits in order. At the first whose trimmed text is empty the key is consumed, the
// focus goes to that edit and its message is shown under "提示": false. True when none is empty.
bool CheckRequiredEdits(QWidget* owner, int& Key, std::initializer_list<TRequiredEdit> edits);
