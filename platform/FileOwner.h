#pragma once

#include <string>

// Who besides the super-user could change a file: a program running as root must not let a user
// steer what it writes, deletes, copies or runs.
namespace platform {

// Whether the process runs with the super-user's rights.
bool RunsAsSuperUser();

// Why a user other than the super-user could change what path names, or empty when none could.
// The name is followed as the kernel follows it, one name and one symbolic link at a time, and
// every step must be the super-user's alone:
// - each folder a name is looked up in belongs to the super-user and may be written neither by
//   its group nor by others, except that a folder above the last one may when its sticky bit
//   keeps others from moving the super-user's entry there (as in /tmp);
// - each link on the way belongs to the super-user;
// - what stands at the end belongs to the super-user and is writable by nobody else. Nothing
//   may stand there, nor at the names after it: whoever then creates it is the super-user.
std::string OthersCanChange(const std::string& path);

// OthersCanChange for a folder, and also for every folder inside it (links inside are not
// followed): for a folder whose contents the super-user deletes or replaces.
std::string OthersCanChangeAnythingIn(const std::string& folder);

}  // namespace platform
