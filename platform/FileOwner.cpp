#include "FileOwner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <set>
#include <system_error>
#include <utility>

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

// Why others could change what a walk ended at, a name with no link in it: the super-user
// replaces or writes into it, so its folder must keep everybody else out, sticky bit or not.
std::string OthersCanChangeEnd(const fs::path& at) {
    if (std::string reason = OthersCanChangeNameIn(at.parent_path(), false); !reason.empty()) {
        return reason;
    }
    struct stat st {};
    if (::lstat(at.c_str(), &st) != 0) {
        return CannotCheck(at, errno);
    }
    return NotTheSuperUsers(at, st, false);
}

// Folders whose entries have been judged, by what they are rather than by the names that reach
// them, so that a link leading back into one ends the walk there.
class JudgedFolders {
public:
    // False when the folder's entries were judged before.
    bool FirstVisit(const struct stat& folder) {
        return judged_.emplace(folder.st_dev, folder.st_ino).second;
    }

private:
    std::set<std::pair<dev_t, ino_t>> judged_;
};

bool LeadsToFolder(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A link in the folder is judged by what it leads to, as a program started from the folder meets
// it, and a folder it leads to with everything in it; with foldersOnly it is passed over with the
// files. The folders links lead to wait their turn, so that no chain of them deepens the stack,
// and each one's entries are judged once however many links lead there.
std::string OthersCanChangeInside(const std::string& folder, bool foldersOnly) {
    std::deque<fs::path> folders = {folder};
    JudgedFolders judged;
    while (!folders.empty()) {
        const fs::path top = folders.front();
        folders.pop_front();
        if (std::string reason = OthersCanChange(top); !reason.empty()) {
            return reason;
        }
        struct stat topSt {};
        if (::stat(top.c_str(), &topSt) != 0 || !judged.FirstVisit(topSt)) {
            continue;
        }
        std::error_code ec;
        for (fs::recursive_directory_iterator entry(top, ec), end; !ec && entry != end;
             entry.increment(ec)) {
            struct stat st {};
            if (::lstat(entry->path().c_str(), &st) != 0) {
                return CannotCheck(entry->path(), errno);
            }
            if (foldersOnly && !S_ISDIR(st.st_mode)) {
                continue;
            }
            if (S_ISLNK(st.st_mode)) {
                if (LeadsToFolder(entry->path())) {
                    folders.push_back(entry->path());
                } else if (std::string reason = OthersCanChange(entry->path()); !reason.empty()) {
                    return reason;
                }
                continue;
            }
            if (S_ISDIR(st.st_mode) && !judged.FirstVisit(st)) {
                entry.disable_recursion_pending();
            }
            if (std::string reason = NotTheSuperUsers(entry->path(), st, false); !reason.empty()) {
                return reason;
            }
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
        // Each name is judged here as one on the way: only the walk's end tells whether the path
        // ends at it, as a "." or ".." after it may come back to it or climb above it.
        if (std::string reason = OthersCanChangeNameIn(at, exists && st.st_uid == 0);
            !reason.empty()) {
            return reason;
        }
        if (!exists) {
            toBeMade = 1;
            continue;
        }
        if (std::string reason = NotTheSuperUsers(next, st, true); !reason.empty()) {
            return reason;
        }
        if (S_ISLNK(st.st_mode)) {
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
        if (!names.empty() && !S_ISDIR(st.st_mode)) {
            return CannotCheck(next, ENOTDIR);
        }
        at = next;
    }
    return toBeMade > 0 ? std::string() : OthersCanChangeEnd(at);
}

std::string OthersCanChangeAnythingIn(const std::string& folder) {
    return OthersCanChangeInside(folder, false);
}

std::string OthersCanChangeAnyFolderIn(const std::string& folder) {
    return OthersCanChangeInside(folder, true);
}

}  // namespace platform
