#include "PrivateLockFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "FileDescriptor.h"
#include "UserAccount.h"
#include "WholeFile.h"

namespace platform {
namespace {

// Rounds lost to other starts that changed the name meanwhile before the lock counts as unusable.
constexpr int kRounds = 8;

LockTry Unavailable(std::string why) {
    return {LockTry::Outcome::Unavailable, -1, std::move(why)};
}

LockTry HeldElsewhere() {
    return {LockTry::Outcome::HeldElsewhere, -1, {}};
}

LockTry Taken(FileDescriptor& fd) {
    return {LockTry::Outcome::Taken, fd.release(), {}};
}

std::string Failed(const std::string& path, const char* what) {
    return path + " " + what + ": " + std::strerror(errno);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whose holds there are on a file besides this process's.
enum class Hold { Nobody, Others, Keepers, Unseen };

Hold HoldOn(const struct stat& file, const LockKeepers& keepers) {
    Hold hold = Hold::Nobody;
    for (const LockHolder& holder : FlockHoldersOf(file.st_dev, file.st_ino)) {
        if (keepers.Include(holder)) {
            return Hold::Keepers;
        }
        hold = holder.seen && hold != Hold::Unseen ? Hold::Others : Hold::Unseen;
    }
    return hold;
}

// Whether a hold on a held file is one of the keepers': one the table names, or on a file only
// they could have opened, also one it cannot show (a process in another PID namespace, or a file
// system whose files it names by another device).
bool IsKeepers(Hold hold, const struct stat& file, const LockKeepers& keepers) {
    return hold == Hold::Keepers || (hold == Hold::Unseen && keepers.KeptFor(file));
}

// Whether the name still stands for the file: another start may have put its own there.
bool StillAt(int folder, const std::string& name, const struct stat& file) {
    struct stat now {};
    return ::fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(now, file);
}

// A new lock file of the keepers' put at the name, locked before anybody can open it there. Where
// old stands there, the two trade places in one step, and the new one keeps the name only when what
// gave way is the file judged and no copy holds it by then (ours: this process does). nullopt when
// another start changed the name meanwhile.
std::optional<LockTry> PutInPlace(int folder, const std::string& name, const std::string& path,
                                  const LockKeepers& keepers, const struct stat* old, bool ours) {
    const std::string temp = FreshNameBeside(name);
    const char* aside = temp.c_str();
    FileDescriptor fresh(::openat(
        folder, aside, O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600));
    if (!fresh || !keepers.Give(fresh.get()) || ::flock(fresh.get(), LOCK_EX | LOCK_NB) != 0) {
        LockTry failed = Unavailable(Failed(path, "cannot be made"));
        if (fresh) {
            ::unlinkat(folder, aside, 0);
        }
        return failed;
    }
    if (!old) {
        bool placed = ::renameat2(folder, aside, folder, name.c_str(), RENAME_NOREPLACE) == 0;
        if (!placed && errno == EINVAL) {  // a file system that cannot refuse a name in one step
            placed = ::linkat(folder, aside, folder, name.c_str(), 0) == 0;
        }
        const bool madeMeanwhile = !placed && errno == EEXIST;
        LockTry lock = placed ? Taken(fresh) : Unavailable(Failed(path, "cannot be made"));
        ::unlinkat(folder, aside, 0);
        return madeMeanwhile ? std::nullopt : std::optional(std::move(lock));
    }
    if (::renameat2(folder, aside, folder, name.c_str(), RENAME_EXCHANGE) != 0) {
        // A file system that cannot trade places: what stands at the name goes unseen.
        if (errno == EINVAL && ::renameat(folder, aside, folder, name.c_str()) == 0) {
            return Taken(fresh);
        }
        const bool goneMeanwhile = errno == ENOENT;
        LockTry failed = Unavailable(Failed(path, "cannot be replaced"));
        ::unlinkat(folder, aside, 0);
        return goneMeanwhile ? std::nullopt : std::optional(failed);
    }
    struct stat gone {};
    if (::fstatat(folder, aside, &gone, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(gone, *old) &&
        (ours || HoldOn(gone, keepers) != Hold::Keepers)) {
        ::unlinkat(folder, aside, 0);
        return Taken(fresh);
    }
    // The name goes back to what held it; were that no longer possible, the new file stays.
    if (::renameat2(folder, aside, folder, name.c_str(), RENAME_EXCHANGE) != 0) {
        return Unavailable(path + " was changed by another start meanwhile");
    }
    ::unlinkat(folder, aside, 0);
    return std::nullopt;
}

// One round of LockPrivateFile; nullopt when another start changed the name meanwhile.
std::optional<LockTry> TryLock(int folder, const std::string& name, const std::string& path,
                               const LockKeepers& keepers) {
    struct stat found {};
    if (::fstatat(folder, name.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? PutInPlace(folder, name, path, keepers, nullptr, false)
                               : Unavailable(Failed(path, "cannot be opened"));
    }
    if (S_ISLNK(found.st_mode) || S_ISDIR(found.st_mode)) {
        errno = S_ISLNK(found.st_mode) ? ELOOP : EISDIR;
        return Unavailable(Failed(path, "cannot be opened"));
    }
    if (!S_ISREG(found.st_mode)) {
        return Unavailable(path + " is not a regular file");
    }
    // Neither waiting on a fifo swapped in meanwhile nor becoming its terminal.
    FileDescriptor fd(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat opened {};
    bool ours = false;
    if (fd) {
        if (::fstat(fd.get(), &opened) != 0 || !SameFile(opened, found)) {
            return std::nullopt;
        }
        found = opened;
        ours = ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0;
        if (!ours && errno != EWOULDBLOCK) {
            return Unavailable(Failed(path, "cannot be locked"));
        }
    } else if (errno != EACCES) {
        return Unavailable(Failed(path, "cannot be opened"));
    }
    if (!ours) {
        Hold hold = HoldOn(found, keepers);
        if (hold == Hold::Nobody && fd) {
            // Held, yet the table names nobody: it leaves out holders in other PID namespaces,
            // unless the holder let go meanwhile.
            ours = ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0;
            hold = ours ? Hold::Nobody : Hold::Unseen;
        }
        if (IsKeepers(hold, found, keepers)) {
            return HeldElsewhere();
        }
        if (hold == Hold::Unseen) {
            return Unavailable(path + " is held by a process that cannot be seen from here");
        }
    }
    if (ours && keepers.KeptFor(found)) {
        return StillAt(folder, name, found) ? std::optional(Taken(fd)) : std::nullopt;
    }
    return PutInPlace(folder, name, path, keepers, &found, ours);
}

}  // namespace

LockKeepers LockKeepers::ThisUser() {
    LockKeepers keepers;
    keepers.user_ = ::getuid();
    return keepers;
}

LockKeepers LockKeepers::WritersOf(const struct stat& folder) {
    LockKeepers keepers;
    keepers.user_ = folder.st_uid;
    keepers.group_ = folder.st_gid;
    keepers.anybody_ = (folder.st_mode & S_IWOTH) != 0;
    // Where anybody may write the folder, the file stays its maker's: nobody is kept out anyway.
    keepers.groupShares_ = (folder.st_mode & S_IWGRP) != 0 && !keepers.anybody_;
    keepers.rootToo_ = true;
    return keepers;
}

bool LockKeepers::MayWrite(uid_t user) const {
    return user == user_ || (rootToo_ && user == 0) || anybody_;
}

bool LockKeepers::KeptFor(const struct stat& file) const {
    const bool groupFits = groupShares_ ? file.st_gid == group_ && (file.st_mode & S_IRGRP) != 0
                                        : (file.st_mode & S_IRWXG) == 0;
    return S_ISREG(file.st_mode) && (file.st_mode & S_IRWXO) == 0 && groupFits &&
           (MayWrite(file.st_uid) || file.st_uid == ::geteuid() ||
            (groupShares_ && UserInGroup(file.st_uid, group_)));
}

bool LockKeepers::Include(const LockHolder& holder) const {
    return holder.seen && (MayWrite(holder.uid) ||
                           (groupShares_ && std::find(holder.groups.begin(), holder.groups.end(),
                                                      group_) != holder.groups.end()));
}

bool LockKeepers::Give(int fd) const {
    // A folder whose set-group-ID bit is on gives its group itself; otherwise only a member of the
    // group can, and a maker who is none keeps the file to itself.
    struct stat info {};
    const bool shared =
        groupShares_ && ::fstat(fd, &info) == 0 &&
        (info.st_gid == group_ || ::fchown(fd, static_cast<uid_t>(-1), group_) == 0);
    return ::fchmod(fd, shared ? 0660 : 0600) == 0;
}

int OpenFolder(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

LockTry LockPrivateFile(int folder, const std::string& name, const std::string& path,
                        const LockKeepers& keepers) {
    for (int round = 0; round < kRounds; ++round) {
        if (std::optional<LockTry> lock = TryLock(folder, name, path, keepers)) {
            return std::move(*lock);
        }
    }
    return Unavailable(path + " keeps being changed by other starts");
}

LockTry LockExistingFile(int folder, const std::string& name, const std::string& path,
                         const LockKeepers& keepers) {
    FileDescriptor fd(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0) {
        return Unavailable(Failed(path, "cannot be opened"));
    }
    if (!S_ISREG(info.st_mode)) {
        return Unavailable(path + " is not a regular file");
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
        return Taken(fd);
    }
    if (errno != EWOULDBLOCK) {
        return Unavailable(Failed(path, "cannot be locked"));
    }
    // Held, so a table that names nobody cannot show the holder.
    const Hold hold = HoldOn(info, keepers);
    return IsKeepers(hold == Hold::Nobody ? Hold::Unseen : hold, info, keepers)
               ? HeldElsewhere()
               : Unavailable(path + " is held by a process that is not the install's");
}

}  // namespace platform
