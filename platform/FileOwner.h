#pragma once

#include <string>

// Who besides the super-user could change a file: a program running as root must not let a user
// steer what it writes or runs.
namespace platform {

// Whether the process runs with the super-user's rights.
bool RunsAsSuperUser();

// Why a user other than the super-user could change what a write to fileName lands in, or empty
// when none could. Every name on the way through its symbolic links (WritePath) lies in a folder
// that must exist, and the file at the end may be missing; each folder, and that file when it is
// there, must belong to the super-user and be writable neither by its group nor by others; so
// must every folder above those folders, as written and as their links lead, except that a
// folder whose sticky bit is set (/tmp) may be writable.
std::string OthersCanChange(const std::string& fileName);

}  // namespace platform
