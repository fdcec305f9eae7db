#include "EditText.h"

#include <QLineEdit>

std::string TrimmedText(const QLineEdit* edit) {
    const std::string text = edit->text().toStdString();
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') {
        --end;
    }
    return text.substr(begin, end - begin);
}
