#include "WholeFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "FileDescriptor.h"

namespace platform {
namespace {

// The kernel's own limit on a chain of symbolic links.
constexpr int kMaxLinkHops = 40;

// The file a write to fileName lands in: the end of its chain of symbolic links (a link that
// leads nowhere names the file the write creates). Folders on the way are left to the kernel.
std::string WriteTarget(const std::string& fileName) {
    std::string path = fileName;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        char buffer[PATH_MAX];
        ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
        if (n <= 0 || static_cast<size_t>(n) == sizeof buffer) {
            return path;
        }
        std::string link(buffer, static_cast<size_t>(n));
        size_t slash = path.rfind('/');
        path = link.front() == '/' || slash == std::string::npos ? link
                                                                 : path.substr(0, slash + 1) + link;
    }
    return path;  // a loop: opening it fails, as it would for a plain write
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The plain write: the old contents go and the new ones take their place in the same file.
bool WriteInPlace(FileDescriptor& file, std::string_view bytes) {
    bool ok = ::ftruncate(file.get(), 0) == 0 && ::lseek(file.get(), 0, SEEK_SET) == 0 &&
              WriteAll(file.get(), bytes) && ::fsync(file.get()) == 0;
    return file.Close() && ok;
}

// Gives the new file the old one's owner and permission bits. False when the owner cannot be
// kept (a process may give a file away only to itself, or to a group it is in).
bool TakeOver(int fresh, const struct stat& old) {
    struct stat now {};
    if (::fstat(fresh, &now) != 0) {
        return false;
    }
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        ::fchown(fresh, old.st_uid, old.st_gid) != 0) {
        return false;
    }
    // After the owner: changing it drops the set-user and set-group bits.
    return ::fchmod(fresh, old.st_mode & 07777) == 0;
}

}  // namespace

bool ReplaceFileContents(const std::string& fileName, std::string_view bytes) {
    const std::string target = WriteTarget(fileName);

    // Opened for writing first, as the plain write would open it: what the file system refuses
    // that write (a read-only file, a folder, a read-only disk) is refused here.
    FileDescriptor old(::open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    struct stat oldStat {};
    if (!old && errno != ENOENT) {
        return false;
    }
    if (old && ::fstat(old.get(), &oldStat) != 0) {
        return false;
    }
    if (old && !S_ISREG(oldStat.st_mode)) {
        return WriteAll(old.get(), bytes) && old.Close();  // a device takes the bytes as they come
    }

    const std::string temp = target + ".new";
    FileDescriptor fresh(
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fresh) {
        // A folder the process may not add to, holding a file it may write.
        return (errno == EACCES || errno == EPERM) && old && WriteInPlace(old, bytes);
    }
    if (old && !TakeOver(fresh.get(), oldStat)) {
        fresh.Close();
        ::unlink(temp.c_str());
        return WriteInPlace(old, bytes);
    }
    bool ok = WriteAll(fresh.get(), bytes) && ::fsync(fresh.get()) == 0;
    ok = fresh.Close() && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0) {
        return true;
    }
    ::unlink(temp.c_str());
    return false;
}

std::string ReadFileBytes(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        return {};
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

}  // namespace platform
