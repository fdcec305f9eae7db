#include "FileOwner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "WholeFile.h"

namespace platform {
namespace {

std::string FolderOf(const std::string& name) {
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? "." : name.substr(0, slash + 1);
}

// Why others could change what stands at path; empty when nobody but the super-user can, or
// when nothing stands there and that is allowed.
std::string OthersCanChangeEntry(const std::string& path, bool mayBeMissing) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return mayBeMissing && errno == ENOENT
                   ? ""
                   : path + " cannot be checked: " + std::strerror(errno);
    }
    if (st.st_uid != 0) {
        return path + " belongs to user " + std::to_string(st.st_uid);
    }
    if (!S_ISLNK(st.st_mode) && (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return path + " can be written by its group or by others";
    }
    return {};
}

// Why others could move folder away and put one of their own at its name: a folder above it, on
// the way as written or as its links lead, that they own or may write, unless its sticky bit
// keeps them from moving what is not theirs (as in /tmp).
std::string OthersCanReplace(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path written = fs::absolute(folder, ec).lexically_normal();
    const fs::path real = fs::canonical(folder, ec);
    if (ec) {
        return folder + " cannot be checked: " + ec.message();
    }
    for (fs::path path : {written, real}) {
        if (!path.has_filename()) {
            path = path.parent_path();  // the folder itself, written with a trailing slash
        }
        while (path != path.root_path()) {
            path = path.parent_path();
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0) {
                return path.string() + " cannot be checked: " + std::strerror(errno);
            }
            if (st.st_uid != 0) {
                return path.string() + " belongs to user " + std::to_string(st.st_uid);
            }
            if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0) {
                return path.string() + " can be written by its group or by others";
            }
        }
    }
    return {};
}

}  // namespace

bool RunsAsSuperUser() {
    return ::geteuid() == 0;
}

std::string OthersCanChange(const std::string& fileName) {
    const std::vector<std::string> path = WritePath(fileName);
    for (const std::string& name : path) {
        const std::string folder = FolderOf(name);
        if (std::string reason = OthersCanChangeEntry(folder, false); !reason.empty()) {
            return reason;
        }
        if (std::string reason = OthersCanReplace(folder); !reason.empty()) {
            return reason;
        }
    }
    return OthersCanChangeEntry(path.back(), true);
}

}  // namespace platform
