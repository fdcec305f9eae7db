#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "FuzzSupport.h"
#include "QzErrors.h"
#include "UpdaterGlobal.h"

// Any bytes as the version file the update's check reads: either it names a version, which the
// update then takes for the server's, or the check fails with its reason; the file is closed
// again either way.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFolder folder;
    const std::string file = AppPath + "verex.ini";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    UpdateSetEx = {};
    try {
        ReadVersionFile(file);
        if (UpdateSetEx.Ver.empty()) {
            __builtin_trap();
        }
    } catch (const Exception&) {
        // The check's error line.
    }
    if (VersionIni) {
        __builtin_trap();
    }
    folder.AfterRun();
    return 0;
}
