#include "PackageUnzip.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FileModeMask.h"
#include "Process.h"
#include "QzErrors.h"
#include "TextCodec.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kChunkBytes = 1024 * 1024;
constexpr auto kMessageSlice = std::chrono::milliseconds(100);
// Unix file types in the upper half of an entry's external attributes.
constexpr uint32_t kTypeMask = 0170000;
constexpr uint32_t kSymbolicLink = 0120000;
constexpr uint32_t kDosReadOnly = 0x01;

struct ZipClose {
    void operator()(zip_t* zip) const { zip_discard(zip); }
};
struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct Entry {
    zip_uint64_t index = 0;
    std::string name;   // as stored, in UTF-8
    fs::path relative;  // below the destination folder
    bool folder = false;
    zip_uint64_t size = 0;
    bool unixMode = false;
    uint32_t mode = 0;  // permission bits when unixMode
    bool readOnly = false;
};

[[noreturn]] void Refuse(const std::string& name, const std::string& why) {
    throw Exception("Entry \"" + name + "\" refused: " + why);
}

// The entry's place below the destination, or a refusal: a path that is absolute or climbs out,
// or a symbolic link, which could point anywhere. Its stored mode loses what the file mode mask
// takes away.
Entry ReadEntry(zip_t* zip, zip_uint64_t index, uint32_t mask) {
    Entry entry;
    entry.index = index;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip, index, ZIP_FL_ENC_RAW, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME)) {
        throw Exception(std::string("Cannot read the archive's directory: ") + zip_strerror(zip));
    }
    std::string raw = stat.name;
    entry.name = platform::Utf8OrGbkToUtf8(raw);
    entry.size = (stat.valid & ZIP_STAT_SIZE) ? stat.size : 0;

    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(zip, index, 0, &opsys, &attributes) == 0) {
        if (opsys == ZIP_OPSYS_UNIX && (attributes >> 16) != 0) {
            uint32_t mode = attributes >> 16;
            if ((mode & kTypeMask) == kSymbolicLink) {
                Refuse(entry.name, "it is a symbolic link");
            }
            entry.unixMode = true;
            // Never set-user-ID, set-group-ID or sticky, and nothing the mask takes away: whoever
            // it keeps from writing could otherwise rewrite the setup program before it runs.
            entry.mode = mode & 0777 & ~mask;
        } else {
            entry.readOnly = (attributes & kDosReadOnly) != 0;
        }
    }

    std::string path = entry.name;
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    if (!path.empty() && (path.front() == '/' || (path.size() >= 2 && path[1] == ':'))) {
        Refuse(entry.name, "its path is absolute");
    }
    entry.folder = !path.empty() && path.back() == '/';
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            Refuse(entry.name, "its path leaves the unpacking folder");
        }
        if (!part.empty() && part != ".") {
            entry.relative /= part;
        }
        start = end + 1;
    }
    // A folder entry that names nothing below the destination ("./") is the destination itself.
    if (entry.relative.empty() && !entry.folder) {
        Refuse(entry.name, "it names no file");
    }
    return entry;
}

// Reports every whole percentage on the way once, so that none of them (the midpoint above all)
// is skipped by a large read.
class Progress {
public:
    Progress(TUnzipEvents& events, zip_uint64_t total) : events_(events), total_(total) {}

    void Add(zip_uint64_t bytes) {
        done_ += bytes;
        // An archive of empty files and folders is done at once.
        int percent = total_ == 0 || done_ >= total_ ? 100 : static_cast<int>(done_ * 100 / total_);
        while (reported_ < percent) {
            events_.TotalPercentDone(++reported_);
        }
        auto now = std::chrono::steady_clock::now();
        if (now - lastMessages_ >= kMessageSlice) {
            lastMessages_ = now;
            platform::ProcessMessages();
        }
    }
    void Finish() { Add(0); }

private:
    TUnzipEvents& events_;
    zip_uint64_t total_;
    zip_uint64_t done_ = 0;
    int reported_ = 0;
    std::chrono::steady_clock::time_point lastMessages_ = std::chrono::steady_clock::now();
};

zip_uint64_t SaturatingAdd(zip_uint64_t a, zip_uint64_t b) {
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

// The directory's sizes are what the archive claims; a claim beyond the room fails before the
// first byte is written instead of filling the disk.
void CheckRoom(const std::string& destFolder, zip_uint64_t needed, std::uint64_t maxBytes) {
    std::error_code ec;
    fs::space_info space = fs::space(destFolder, ec);
    if (ec) {
        throw Exception("Cannot read the free space of \"" + destFolder + "\": " + ec.message());
    }
    std::uint64_t room = std::min<std::uint64_t>(space.available, maxBytes);
    if (needed > room) {
        throw Exception("Unpacking needs " + std::to_string(needed) + " bytes, " +
                        std::to_string(room) + " are free in \"" + destFolder + "\"");
    }
}

void ApplyAttributes(const fs::path& file, const Entry& entry) {
    std::error_code ec;
    if (entry.unixMode) {
        fs::permissions(file, static_cast<fs::perms>(entry.mode), ec);
    } else if (entry.readOnly) {
        fs::permissions(file,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, ec);
    }
}

void ExtractFile(zip_t* zip, const Entry& entry, const fs::path& target, std::vector<char>& buffer,
                 Progress& progress) {
    std::unique_ptr<zip_file_t, ZipFileClose> in(zip_fopen_index(zip, entry.index, 0));
    if (!in) {
        throw Exception("Cannot read entry \"" + entry.name + "\": " + zip_strerror(zip));
    }
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    // A new file, never one that was there: the archive itself may lie in the same folder.
    fs::remove(target, ec);
    std::unique_ptr<std::FILE, FileClose> out(std::fopen(target.c_str(), "wb"));
    if (!out) {
        throw Exception("Cannot create file \"" + target.string() + "\". " + std::strerror(errno));
    }
    auto fail = [&](const std::string& message) {
        out.reset();
        fs::remove(target, ec);
        throw Exception(message);
    };
    // The library yields whatever the data inflates to, whatever the directory declares: the
    // room was checked against the declared sizes, so an entry gets no more than its own.
    zip_uint64_t written = 0;
    for (;;) {
        zip_int64_t got = zip_fread(in.get(), buffer.data(), buffer.size());
        if (got < 0) {
            fail("Cannot read entry \"" + entry.name + "\": " + zip_file_strerror(in.get()));
        }
        if (got == 0) {
            break;
        }
        written += static_cast<zip_uint64_t>(got);
        if (written > entry.size) {
            fail("Entry \"" + entry.name + "\" holds more than its declared " +
                 std::to_string(entry.size) + " bytes");
        }
        if (std::fwrite(buffer.data(), 1, static_cast<size_t>(got), out.get()) !=
            static_cast<size_t>(got)) {
            fail("Error writing file \"" + target.string() + "\". " + std::strerror(errno));
        }
        progress.Add(static_cast<zip_uint64_t>(got));
    }
    std::FILE* file = out.release();
    bool flushed = std::fflush(file) == 0;
    int error = errno;
    if (std::fclose(file) != 0 || !flushed) {
        fs::remove(target, ec);
        throw Exception("Error writing file \"" + target.string() + "\". " +
                        std::strerror(flushed ? errno : error));
    }
    ApplyAttributes(target, entry);
}

}  // namespace

void UnZipFiles(const std::string& archiveFile, const std::string& destFolder, TUnzipEvents& events,
                std::uint64_t maxBytes) {
    int error = 0;
    std::unique_ptr<zip_t, ZipClose> zip(zip_open(archiveFile.c_str(), ZIP_RDONLY, &error));
    if (!zip) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, error);
        std::string message =
            "Cannot open archive \"" + archiveFile + "\": " + zip_error_strerror(&reason);
        zip_error_fini(&reason);
        throw Exception(message);
    }
    zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    if (count <= 0) {
        throw Exception("The archive \"" + archiveFile + "\" holds no entries");
    }
    std::vector<Entry> entries;
    zip_uint64_t total = 0;
    const uint32_t mask = platform::FileModeMask();
    for (zip_int64_t i = 0; i < count; ++i) {
        Entry entry = ReadEntry(zip.get(), static_cast<zip_uint64_t>(i), mask);
        if (entry.relative.empty()) {
            continue;
        }
        if (!entry.folder) {
            total = SaturatingAdd(total, entry.size);
        }
        entries.push_back(std::move(entry));
    }
    CheckRoom(destFolder, total, maxBytes);

    events.StartUnZipInfo();
    try {
        const fs::path dest(destFolder);
        std::vector<char> buffer(kChunkBytes);
        Progress progress(events, total);
        for (const Entry& entry : entries) {
            fs::path target = dest / entry.relative;
            if (entry.folder) {
                std::error_code ec;
                fs::create_directories(target, ec);
                if (!fs::is_directory(target)) {
                    throw Exception("Cannot create folder \"" + target.string() + "\". " +
                                    ec.message());
                }
                continue;
            }
            ExtractFile(zip.get(), entry, target, buffer, progress);
        }
        progress.Finish();
    } catch (...) {
        events.UnZipComplete();
        throw;
    }
    events.UnZipComplete();
}
