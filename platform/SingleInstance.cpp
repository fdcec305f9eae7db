#include "SingleInstance.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "FileDescriptor.h"
#include "PrivateLockFile.h"
#include "UserAccount.h"

namespace platform {

namespace {

// The home folder the password database gives the real user, also root's and that of a start
// by cron, sudo -u or a unit, which have no session; empty when there is none. The tests' own
// variable stands in for it, so that the programs their tests start meet only each other.
std::string HomeFolder() {
    if (const char* tests = std::getenv("VELPAY_TEST_HOME"); tests && *tests) {
        return tests;
    }
    const std::optional<UserAccount> account = AccountOf(::getuid());
    return account ? account->home : "";
}

// What tells this machine from others that may share the home (tills of a chain whose homes lie
// on one file server): its machine id, else its host name; only characters a file name carries.
std::string MachineName() {
    std::ifstream file("/etc/machine-id");
    std::string name;
    if (!std::getline(file, name) || name.empty()) {
        char host[256] = {};
        name = ::gethostname(host, sizeof host - 1) == 0 ? host : "";
    }
    std::erase_if(name, [](char c) {
        return !std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.';
    });
    return name;
}

// A folder counts only when it is this user's alone: nobody else can make, swap or remove a
// file there.
bool IsPrivateFolder(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

std::string HomeLockName(const std::string& name) {
    const std::string machine = MachineName();
    return "." + name + (machine.empty() ? "" : "." + machine) + ".lock";
}

std::string InstanceName(const std::string& name, const std::string& home) {
    // The home's path, whether its folder is there yet or not, in a few characters: the name
    // has room for 107.
    std::uint64_t hash = 14695981039346656037u;
    for (const unsigned char c : home) {
        hash = (hash ^ c) * 1099511628211u;
    }
    char hashed[17];
    std::snprintf(hashed, sizeof hashed, "%016llx", static_cast<unsigned long long>(hash));
    return "velpay-instance/" + std::to_string(::getuid()) + "/" + hashed + "/" + name;
}

SingleInstance::SingleInstance(std::string name)
    : name_(std::move(name)), listening_(InstanceName(name_, HomeFolder())) {}

SingleInstance::~SingleInstance() {
    Release();
}

bool SingleInstance::TryAcquire() {
    // Always in the same order, stopping at the first lock held: two starts that race cannot
    // each hold a lock that refuses the other, which would leave no copy running. The session's
    // runtime folder is not asked: a start by cron, sudo -u or a unit would not know it. The
    // home's lock is this machine's, where tills that share a home never meet.
    if (LockIn(HomeFolder(), HomeLockName(name_)) == Found::HeldElsewhere ||
        LockIn("/run/user/" + std::to_string(::getuid()), name_ + ".lock") ==
            Found::HeldElsewhere ||
        // A copy started before the home was there (mounted at log-in) holds only the name.
        listening_.Take() == ListeningName::Holder::ThisUser) {
        Release();
        return false;
    }
    // A lock that cannot be had leaves the others to guard, and with none at all the copy still
    // starts: better a second till than no till at all.
    return true;
}

SingleInstance::Found SingleInstance::LockIn(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.front() != '/') {
        return Found::NotHere;
    }
    // A home the password database gives as a link is the folder it leads to.
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd || !IsPrivateFolder(fd.get())) {
        return Found::NotHere;
    }
    const std::string path = folder + "/" + name;
    const LockTry lock = LockPrivateFile(fd.get(), name, path, LockKeepers::ThisUser());
    switch (lock.outcome) {
        case LockTry::Outcome::Taken:
            fds_.push_back(lock.fd);
            return Found::Taken;
        case LockTry::Outcome::HeldElsewhere:
            return Found::HeldElsewhere;
        default:
            // Never silent: whoever runs the program learns why one lock stands aside.
            std::fprintf(stderr, "%s: %s; its other locks guard it\n", name_.c_str(),
                         lock.why.c_str());
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
