#include "FolderTree.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "FileModeMask.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

// The name of the folder a path names, however it is spelled: its last name, trailing and doubled
// "/" aside, or where that is "." or "..", the name of the folder the file system finds there.
fs::path LastName(const fs::path& folder) {
    fs::path last;
    for (const fs::path& name : folder.relative_path()) {
        if (!name.empty()) {
            last = name;
        }
    }
    if (last != "." && last != "..") {
        return last;
    }
    std::error_code ec;
    return fs::canonical(folder, ec).filename();
}

[[noreturn]] void CannotCopy(const std::string& source, const fs::path& to,
                             const std::string& reason) {
    throw std::runtime_error("Cannot copy \"" + source + "\" to \"" + to.string() + "\". " +
                             reason);
}

// The hidden names a copy of name grows under: this prefix and the characters mkdtemp puts in
// place of the X's. The mark in it is one no person gives a folder, so that cleaning up never
// takes a folder of theirs.
constexpr char kStagingRandom[] = "XXXXXX";

std::string StagingPrefix(const fs::path& name) {
    return "." + name.string() + ".copy~";
}

bool IsStagingName(const std::string& entry, const std::string& prefix) {
    return entry.size() == prefix.size() + sizeof kStagingRandom - 1 &&
           entry.compare(0, prefix.size(), prefix) == 0 &&
           std::all_of(entry.begin() + static_cast<std::ptrdiff_t>(prefix.size()), entry.end(),
                       [](unsigned char c) { return std::isalnum(c) != 0; });
}

// A hidden folder of its own beside the copy it stands in for, where the new copy grows until it
// is whole and where the old one goes once replaced; removed with whatever it still holds, unless
// it must keep the old copy.
class StagingFolder {
public:
    // Empty when it cannot be made (errno says why).
    StagingFolder(const fs::path& dest, const fs::path& name) {
        std::string pattern = (dest / (StagingPrefix(name) + kStagingRandom)).string();
        if (::mkdtemp(pattern.data())) {
            path_ = pattern;
        }
    }
    ~StagingFolder() {
        std::error_code ec;
        if (!path_.empty() && !keep_) {
            fs::remove_all(path_, ec);
        }
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const fs::path& Path() const { return path_; }
    void Keep() { keep_ = true; }

private:
    fs::path path_;
    bool keep_ = false;
};

// What a run killed on the way left of name's copies in dest: its staging folders, one of them
// holding the previous copy when the run was killed between the two renames of a file system
// that cannot exchange names. That copy goes back to its name when none stands there, and its
// staging folder stays when it cannot; the rest goes, so that a killed run costs no disk for
// good.
void ClearInterruptedCopies(const fs::path& dest, const fs::path& name) {
    const std::string prefix = StagingPrefix(name);
    std::vector<fs::path> leftovers;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dest, ec)) {
        if (IsStagingName(entry.path().filename().string(), prefix) &&
            entry.symlink_status(ec).type() == fs::file_type::directory) {
            leftovers.push_back(entry.path());
        }
    }
    const fs::path to = dest / name;
    for (const auto& leftover : leftovers) {
        if (!fs::exists(fs::symlink_status(to, ec)) &&
            fs::exists(fs::symlink_status(leftover / "old", ec))) {
            fs::rename(leftover / "old", to, ec);
            if (ec) {
                continue;
            }
        }
        fs::remove_all(leftover, ec);
    }
}

// The two names trade what they hold in one step; false with errno set when they cannot.
bool ExchangeNames(const fs::path& a, const fs::path& b) {
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

bool CannotExchangeHere(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// The swap where the file system cannot exchange names: the previous copy steps aside into the
// staging folder and the new one takes its place. When it cannot, the previous one comes back;
// when even that fails it stays in the staging folder, for the next backup to put back.
void SwapByRenames(const fs::path& fresh, const fs::path& to, StagingFolder& staging,
                   std::error_code& ec) {
    const fs::path old = staging.Path() / "old";
    fs::rename(to, old, ec);
    if (ec) {
        return;
    }
    fs::rename(fresh, to, ec);
    if (ec) {
        std::error_code back;
        fs::rename(old, to, back);
        if (back) {
            staging.Keep();
        }
    }
}

// A copied file keeps its file's mode, but nothing the file mode mask takes away: the copy is no
// more open than what the process makes itself (its folders got the mask when they were made).
// Copied by another user than its owner, it keeps no set-user-ID or set-group-ID bit either: the
// copy would run with the rights of whoever made it (root's, for a backup made as root), so the
// bits go, as cp drops them when it cannot keep the owner. False with errno set when a mode could
// not be changed.
bool SettleCopiedModes(const fs::path& from, const fs::path& copy) {
    const mode_t masked = FileModeMask() & 0777;
    std::error_code ec;
    for (fs::recursive_directory_iterator entry(copy, ec), end; !ec && entry != end;
         entry.increment(ec)) {
        struct stat made {};
        struct stat original {};
        if (::lstat(entry->path().c_str(), &made) != 0 || !S_ISREG(made.st_mode)) {
            continue;
        }
        mode_t mode = made.st_mode & 07777 & ~masked;
        const fs::path source = from / entry->path().lexically_relative(copy);
        if ((mode & (S_ISUID | S_ISGID)) != 0 &&
            (::lstat(source.c_str(), &original) != 0 || original.st_uid != made.st_uid ||
             original.st_gid != made.st_gid)) {
            mode &= 0777;
        }
        if (mode != (made.st_mode & 07777) && ::chmod(entry->path().c_str(), mode) != 0) {
            return false;
        }
    }
    if (ec) {
        errno = ec.value();
    }
    return !ec;
}

}  // namespace

void DeleteFolderTree(const std::string& folder) {
    if (folder.empty()) {
        return;
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
}

void CopyFolderTree(const std::string& source, const std::string& dest) {
    const fs::path name = LastName(source);
    const fs::path to = fs::path(dest) / name;
    if (!name.empty()) {
        ClearInterruptedCopies(dest, name);
    }
    std::error_code ec;
    // A link at Source stands for the folder it leads to.
    const fs::path from = source.empty() ? fs::path() : fs::canonical(source, ec);
    if (ec) {
        CannotCopy(source, to, ec.message());
    }
    if (from.empty() || !fs::is_directory(from, ec)) {
        CannotCopy(source, to, "It is not a folder");
    }

    StagingFolder staging(dest, name);
    if (staging.Path().empty()) {
        CannotCopy(source, to, std::generic_category().message(errno));
    }
    const fs::path fresh = staging.Path() / "new";
    fs::copy(from, fresh, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    // A copy that stopped halfway (a full disk) must not pass for one.
    if (ec) {
        CannotCopy(source, to, ec.message());
    }
    // Nobody else can reach the copy in its staging folder until its modes are settled.
    if (!SettleCopiedModes(from, fresh)) {
        CannotCopy(source, to, std::generic_category().message(errno));
    }

    // The new copy and the previous one trade places in one step, so that whenever the run
    // ends there is one whole copy at the name; the previous one then goes with the staging
    // folder. A swap that fails leaves the previous copy at its name.
    if (!fs::exists(fs::symlink_status(to, ec))) {
        fs::rename(fresh, to, ec);
    } else if (!ExchangeNames(fresh, to)) {
        const int error = errno;
        ec.assign(error, std::generic_category());
        if (CannotExchangeHere(error)) {
            SwapByRenames(fresh, to, staging, ec);
        }
    }
    if (ec) {
        CannotCopy(source, to, ec.message());
    }
}

}  // namespace platform
