#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzSupport.h"
#include "PackageUnzip.h"
#include "QzErrors.h"

namespace fs = std::filesystem;

namespace {

struct NoEvents : TUnzipEvents {
    void StartUnZipInfo() override {}
    void TotalPercentDone(int) override {}
    void UnZipComplete() override {}
};

// A run writes no more than this, whatever sizes the archive declares.
constexpr std::uint64_t kMaxBytes = 4 * 1024 * 1024;

// The folder holds the one item given and nothing else.
void ExpectOnly(const fs::path& folder, const fs::path& only) {
    for (const auto& item : fs::directory_iterator(folder)) {
        if (item.path() != only) {
            __builtin_trap();
        }
    }
}

}  // namespace

// Any bytes as a package, unpacked as the update does it: the archive lies in "temp" and is
// unpacked there. A package is unpacked or refused with a reason; either way nothing appears
// beside "temp" or in the folder above it, and nothing inside it is a link.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFolder folder;
    const fs::path scratch = AppPath + "scratch";
    const fs::path update = scratch / "update";
    const fs::path temp = update / "temp";
    fs::create_directories(temp);
    const fs::path archive = temp / "p.zip";
    std::ofstream(archive, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    NoEvents events;
    try {
        UnZipFiles(archive.string(), temp.string(), events, kMaxBytes);
    } catch (const Exception&) {
        // The unpacking step's error line.
    }

    ExpectOnly(scratch, update);
    ExpectOnly(update, temp);
    for (const auto& item : fs::recursive_directory_iterator(temp)) {
        if (item.is_symlink() || !(item.is_regular_file() || item.is_directory())) {
            __builtin_trap();
        }
    }
    fs::remove_all(scratch);
    folder.AfterRun();
    return 0;
}
