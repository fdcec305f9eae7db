#include "QzReplyNumber.h"

#include "QzErrors.h"
#include "QzIniFile.h"

int32_t ReplyInteger(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    int value = 0;
    if (first == std::string::npos || !TryStrToInt(text.substr(first), value)) {
        throw Exception("'" + text + "' is not a valid integer value");
    }
    return value;
}
