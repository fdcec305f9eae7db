#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "LockHolders.h"

// The file locks a program holds while it runs: flock, which the kernel drops with the process
// and which programs started by it do not inherit. Whoever can open a file can hold its lock, so a
// lock that must keep other users out lives in a file only its keepers can open, and a hold by
// anybody else is told apart by the kernel's table of locks.
namespace platform {

// Those a lock file is kept for: the users who may open it, and whose holds on it are copies that
// run.
class LockKeepers {
public:
    // The user of this process alone.
    static LockKeepers ThisUser();
    // Whoever may write the folder: its owner, its group where the group may write it, and root.
    static LockKeepers WritersOf(const struct stat& folder);

    // Whether a file found at the lock's name is one only they can open.
    bool KeptFor(const struct stat& file) const;
    // Whether a process that holds the lock is one of theirs.
    bool Include(const LockHolder& holder) const;
    // Gives a lock file being made its mode and group. False, with errno set, when it cannot.
    bool Give(int fd) const;

private:
    bool MayWrite(uid_t user) const;

    uid_t user_ = 0;
    gid_t group_ = 0;
    bool groupShares_ = false;  // the group may write the folder, so it opens the file too
    bool anybody_ = false;      // anybody may write the folder
    bool rootToo_ = false;
};

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

// The lock of the file name in the folder open as folder, taken without waiting. A file is made
// for the keepers when none stands there. One they could not have been alone to open (open to
// others, of another user, of another group) is never changed in place: it gives way to a new file
// made beside it, so that a hold taken through it counts for nothing, once nobody holds it or only
// others do. Held by one of the keepers, it is HeldElsewhere, and so it is when a file only they
// could have opened is held by a process this one cannot see; such a hold on any other file, or a
// folder or a link at the name, makes it Unavailable. path names the file in the reason.
LockTry LockPrivateFile(int folder, const std::string& name, const std::string& path,
                        const LockKeepers& keepers);

// Without making or replacing anything, whether one of the keepers holds the lock of the regular
// file at the name: HeldElsewhere, or Unavailable (Taken when nobody holds it).
LockTry LockExistingFile(int folder, const std::string& name, const std::string& path,
                         const LockKeepers& keepers);

}  // namespace platform
