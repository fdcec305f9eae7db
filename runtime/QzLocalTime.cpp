#include "QzLocalTime.h"

#include <ctime>

std::string LocalTimeText(const char* format) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    if (std::strftime(buffer, sizeof buffer, format, &local) == 0) {
        return {};
    }
    return buffer;
}
