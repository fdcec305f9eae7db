#include "ProcessStatus.h"

#include <fstream>

namespace platform {

std::map<std::string, std::string> ProcessStatus(const std::string& process) {
    std::map<std::string, std::string> fields;
    std::ifstream status("/proc/" + process + "/status");
    for (std::string line; std::getline(status, line);) {
        if (const size_t colon = line.find(':'); colon != std::string::npos) {
            fields.emplace(line.substr(0, colon), line.substr(colon + 1));
        }
    }
    return fields;
}

}  // namespace platform
