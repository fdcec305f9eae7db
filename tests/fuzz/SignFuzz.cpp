#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "QzSign.h"

// Any text as a request or reply document: MakeSign either signs it (32 upper-case hexadecimal
// digits) or logs and leaves the sign alone; nothing else may happen.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFolder folder;
    std::string xml(reinterpret_cast<const char*>(data), size);
    std::string sign = "unchanged";
    MakeSign(xml, "192006250b4c09247ec02edce69f6a2d", sign);
    if (sign != "unchanged") {
        if (sign.size() != 32 || sign.find_first_not_of("0123456789ABCDEF") != std::string::npos) {
            __builtin_trap();
        }
    }
    folder.AfterRun();
    return 0;
}
