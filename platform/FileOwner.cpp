#include "FileOwner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

// The kernel's own limit on the links followed for one name.
constexpr int kMaxLinkHops = 40;

std::string CannotCheck(const fs::path& path, int error) {
    return path.string() + " cannot be checked: " + std::strerror(error);
}

// Why others could change the entry itself: empty when it is the super-user's and, unless
// mayBeWritable, writable by nobody else.
std::string NotTheSuperUsers(const fs::path& path, const struct stat& st, bool mayBeWritable) {
    if (st.st_uid != 0) {
        return path.string() + " belongs to user " + std::to_string(st.st_uid);
    }
    if (!mayBeWritable && (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return path.string() + " can be written by its group or by others";
    }
    return {};
}

// Why others could put something else at a name in folder. Its sticky bit keeps them from moving
// an entry that is not theirs, but not from making one where none is, nor new names beside it.
std::string OthersCanChangeNameIn(const fs::path& folder, bool stickyKeepsEntry) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        return CannotCheck(folder, errno);
    }
    return NotTheSuperUsers(folder, st, stickyKeepsEntry && (st.st_mode & S_ISVTX) != 0);
}

// The names of path, in order, without the root and empty ones.
void AppendNames(const fs::path& path, std::deque<std::string>& names, bool inFront) {
    std::deque<std::string> found;
    for (const fs::path& name : path.relative_path()) {
        if (!name.empty()) {
            found.push_back(name.string());
        }
    }
    names.insert(inFront ? names.begin() : names.end(), found.begin(), found.end());
}

std::string OthersCanChangeInside(const std::string& folder, bool foldersOnly) {
    if (std::string reason = OthersCanChange(folder); !reason.empty()) {
        return reason;
    }
    std::error_code ec;
    for (fs::recursive_directory_iterator entry(folder, ec), end; !ec && entry != end;
         entry.increment(ec)) {
        struct stat st {};
        if (::lstat(entry->path().c_str(), &st) != 0) {
            return CannotCheck(entry->path(), errno);
        }
        if (foldersOnly && !S_ISDIR(st.st_mode)) {
            continue;
        }
        // A link's own bits say nothing: whoever may write its folder replaces it.
        if (std::string reason = NotTheSuperUsers(entry->path(), st, S_ISLNK(st.st_mode));
            !reason.empty()) {
            return reason;
        }
    }
    return {};
}

}  // namespace

bool RunsAsSuperUser() {
    return ::geteuid() == 0;
}

std::string OthersCanChange(const std::string& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec || path.empty()) {
        return path + " cannot be checked: " + (ec ? ec.message() : "no name");
    }
    std::deque<std::string> names;
    AppendNames(absolute, names, false);
    fs::path at = "/";  // where the names so far lead, with no link in it
    // How many folders below at the names so far go that are not there yet: the super-user makes
    // them in a folder nobody else changes. A ".." that climbs back out of them lands in at
    // again, and the names after it are judged from there as the kernel will walk them.
    int toBeMade = 0;
    int hops = 0;
    while (!names.empty()) {
        const std::string name = names.front();
        names.pop_front();
        if (name == ".") {
            continue;
        }
        if (name == "..") {
            if (toBeMade > 0) {
                --toBeMade;
            } else {
                at = at.parent_path();
            }
            continue;
        }
        if (toBeMade > 0) {
            ++toBeMade;
            continue;
        }
        const fs::path next = at / name;
        struct stat st {};
        const bool exists = ::lstat(next.c_str(), &st) == 0;
        if (!exists && errno != ENOENT) {
            return CannotCheck(next, errno);
        }
        const bool link = exists && S_ISLNK(st.st_mode);
        const bool last = names.empty() && !link;
        if (std::string reason = OthersCanChangeNameIn(at, exists && !last && st.st_uid == 0);
            !reason.empty()) {
            return reason;
        }
        if (!exists) {
            toBeMade = 1;
            continue;
        }
        // A folder on the way is looked at as the folder of the next name.
        if (std::string reason = NotTheSuperUsers(next, st, !last); !reason.empty()) {
            return reason;
        }
        if (link) {
            std::error_code readError;
            const fs::path target = fs::read_symlink(next, readError);
            if (readError || ++hops > kMaxLinkHops) {
                return CannotCheck(next, readError ? readError.value() : ELOOP);
            }
            if (target.is_absolute()) {
                at = "/";
            }
            AppendNames(target, names, true);
            continue;
        }
        if (!last && !S_ISDIR(st.st_mode)) {
            return CannotCheck(next, ENOTDIR);
        }
        at = next;
    }
    return {};
}

std::string OthersCanChangeAnythingIn(const std::string& folder) {
    return OthersCanChangeInside(folder, false);
}

std::string OthersCanChangeAnyFolderIn(const std::string& folder) {
    return OthersCanChangeInside(folder, true);
}

}  // namespace platform
