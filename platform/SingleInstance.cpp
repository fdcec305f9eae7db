#include "SingleInstance.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "PrivateLockFile.h"

namespace platform {

namespace {

// The home folder the password database gives the real user, also root's and that of a start
// by cron, sudo -u or a unit, which have no session; empty when there is none. The tests' own
// variable stands in for it, so that the programs their tests start meet only each other.
std::string HomeFolder() {
    if (const char* tests = std::getenv("VELPAY_TEST_HOME"); tests && *tests) {
        return tests;
    }
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    return found && found->pw_dir ? found->pw_dir : "";
}

// A folder counts only when it is this user's alone: nobody else can make, swap or remove a
// file there.
bool IsPrivateFolder(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

SingleInstance::SingleInstance(std::string name)
    : name_(std::move(name)),
      listening_("velpay-instance/" + std::to_string(::getuid()) + "/" + name_) {}

SingleInstance::~SingleInstance() {
    Release();
}

bool SingleInstance::TryAcquire() {
    // Always in the same order, stopping at the first lock held: two starts that race cannot
    // each hold a lock that refuses the other, which would leave no copy running. The session's
    // runtime folder is not asked: a start by cron, sudo -u or a unit would not know it.
    const Found atHome = LockIn(HomeFolder(), "." + name_ + ".lock");
    if (atHome == Found::HeldElsewhere || LockIn("/run/user/" + std::to_string(::getuid()),
                                                 name_ + ".lock") == Found::HeldElsewhere) {
        Release();
        return false;
    }
    // Every start of this user meets the home's lock; the name is for a user with none. A lock
    // that cannot be had leaves the others to guard, and with none at all the copy still
    // starts: better a second till than no till at all.
    if (atHome == Found::Taken || listening_.Take() != ListeningName::Holder::ThisUser) {
        return true;
    }
    Release();
    return false;
}

SingleInstance::Found SingleInstance::LockIn(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.front() != '/') {
        return Found::NotHere;
    }
    const int fd = OpenFolder(folder);
    if (fd < 0) {
        return Found::NotHere;
    }
    const LockTry lock =
        IsPrivateFolder(fd) ? LockPrivateFile(fd, name, folder + "/" + name) : LockTry{};
    ::close(fd);
    switch (lock.outcome) {
        case LockTry::Outcome::Taken:
            fds_.push_back(lock.fd);
            return Found::Taken;
        case LockTry::Outcome::HeldElsewhere:
            return Found::HeldElsewhere;
        default:
            return Found::NotHere;
    }
}

void SingleInstance::Release() {
    for (int fd : fds_) {
        ::close(fd);
    }
    fds_.clear();
}

}  // namespace platform
