#include "FileOwner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

}  // namespace

bool RunsAsSuperUser() {
    return ::geteuid() == 0;
}

std::string OthersCanChange(const std::string& fileName) {
    const std::vector<std::string> path = WritePath(fileName);
    for (const std::string& name : path) {
        if (std::string reason = OthersCanChangeEntry(FolderOf(name), false); !reason.empty()) {
            return reason;
        }
    }
    return OthersCanChangeEntry(path.back(), true);
}

}  // namespace platform
