#include "WholeFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <utility>

#include "FileDescriptor.h"

namespace platform {
namespace {

// The kernel's own limit on a chain of symbolic links.
constexpr int kMaxLinkHops = 40;
// A fresh file's bytes reach the disk in writes of about this size.
constexpr size_t kFreshBufferBytes = 1024 * 1024;
// Names tried for a fresh file before giving up: each is taken only when nothing has it.
constexpr int kFreshNameTries = 100;

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

constexpr char kFreshLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr size_t kFreshRandomChars = 6;

// The start of every fresh file's name beside fileName: hidden, fileName's own name, then a mark
// no person gives a name, so that cleaning up never takes a file of theirs.
std::string FreshPrefix(const std::string& fileName) {
    const size_t slash = fileName.rfind('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    return fileName.substr(0, base) + "." + fileName.substr(base) + ".fresh~";
}

// Creates a new file beside fileName under a name of its own, put in temp; -1 with errno set when
// there can be none. A folder at fileName stays a folder, as it would for a plain create.
int CreateBeside(const std::string& fileName, std::string& temp) {
    struct stat st {};
    if (fileName.empty() || fileName.back() == '/' ||
        (::lstat(fileName.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
        errno = EISDIR;
        return -1;
    }
    for (int attempt = 0; attempt < kFreshNameTries; ++attempt) {
        temp = FreshNameBeside(fileName);
        int fd = ::open(temp.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return fd;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    temp.clear();
    return -1;
}

// The file a write to fileName lands in, or creates when the last link leads nowhere: what each
// symbolic link on the way leads to, relative to the link's folder.
std::string WriteTarget(std::string fileName) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        char buffer[PATH_MAX];
        ssize_t n = ::readlink(fileName.c_str(), buffer, sizeof buffer);
        if (n <= 0 || static_cast<size_t>(n) == sizeof buffer) {
            return fileName;
        }
        std::string link(buffer, static_cast<size_t>(n));
        size_t slash = fileName.rfind('/');
        fileName = link.front() == '/' || slash == std::string::npos
                       ? link
                       : fileName.substr(0, slash + 1) + link;
    }
    return fileName;  // a loop: opening its end fails, as it would for a plain write
}

}  // namespace

std::string FreshNameBeside(const std::string& fileName) {
    static std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof kFreshLetters - 2);
    std::string name = FreshPrefix(fileName);
    for (size_t i = 0; i < kFreshRandomChars; ++i) {
        name += kFreshLetters[pick(random)];
    }
    return name;
}

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

FreshFile::FreshFile(std::string fileName, Sync sync)
    : fileName_(std::move(fileName)), fd_(CreateBeside(fileName_, temp_)), sync_(sync) {
    if (fd_ < 0) {
        error_ = errno;
    }
}

FreshFile::~FreshFile() {
    Close();
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
    }
}

bool FreshFile::Close() {
    return fd_ < 0 || ::close(std::exchange(fd_, -1)) == 0;
}

bool FreshFile::Failed() {
    error_ = errno != 0 ? errno : EIO;
    return false;
}

bool FreshFile::Flush() {
    errno = 0;
    bool ok = WriteAll(fd_, buffer_);
    buffer_.clear();
    return ok || Failed();
}

bool FreshFile::Write(std::string_view bytes) {
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    if (buffer_.size() + bytes.size() > kFreshBufferBytes) {
        if (!Flush()) {
            return false;
        }
        if (bytes.size() >= kFreshBufferBytes) {
            errno = 0;
            return WriteAll(fd_, bytes) || Failed();
        }
    }
    buffer_.append(bytes);
    return true;
}

bool FreshFile::Commit() {
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    if (!Flush() || (sync_ == Sync::ToDisk && ::fsync(fd_) != 0) || !Close() ||
        ::rename(temp_.c_str(), fileName_.c_str()) != 0) {
        return Failed();
    }
    temp_.clear();
    return true;
}

void RemoveFreshLeftovers(const std::string& fileName) {
    const std::string prefix = FreshPrefix(fileName);
    const size_t slash = prefix.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : prefix.substr(0, slash + 1);
    const std::string start = prefix.substr(slash == std::string::npos ? 0 : slash + 1);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        // FreshFile makes plain files only: a link or anything else of that name is not its own.
        if (name.size() == start.size() + kFreshRandomChars && name.starts_with(start) &&
            name.find_first_not_of(kFreshLetters, start.size()) == std::string::npos &&
            entry.is_regular_file(ec) && !entry.is_symlink(ec)) {
            ::unlink(entry.path().c_str());
        }
    }
}

bool WriteFreshFile(const std::string& fileName, std::string_view bytes) {
    FreshFile file(fileName);
    return file.Write(bytes) && file.Commit();
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
