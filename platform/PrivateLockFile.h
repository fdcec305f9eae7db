#pragma once

#include <string>

// The file locks a program holds while it runs: flock, which the kernel drops with the process
// and which programs started by it do not inherit. Whoever can open a file can hold its lock, so a
// lock that must keep other users out lives in a file nobody else can open.
namespace platform {

// What a try for a lock came to.
struct LockTry {
    enum class Outcome { Taken, HeldElsewhere, Unavailable };
    Outcome outcome = Outcome::Unavailable;
    int fd = -1;      // holds the lock while Taken: the caller closes it to let go
    std::string why;  // when Unavailable
};

// The folder at path, open for the names in it; a link at its own name is not followed. -1, with
// errno set, when it cannot be opened.
int OpenFolder(const std::string& path);

// The lock of the file name in the folder open as folder, taken without waiting. It must be a
// file that only this process's user can open: a regular file of this user's (a link at the name
// is not followed), made with mode 0600 when missing, whose bits for its group and others are
// taken away when found with some (held elsewhere then, it is unavailable: another user may
// hold it). path names the file in the reason.
LockTry LockPrivateFile(int folder, const std::string& name, const std::string& path);

// The lock of whatever regular file stands at the name, whoever's it is, taken without waiting
// and without making anything: to learn whether a process holds it.
LockTry LockExistingFile(int folder, const std::string& name, const std::string& path);

}  // namespace platform
