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
//   its group nor by others, except that a folder above the one the end is in may when its sticky
//   bit keeps others from moving the super-user's entry there (as in /tmp);
// - each link on the way belongs to the super-user;
// - what stands at the end belongs to the super-user and is writable by nobody else.
// The end is what the name finally leads to, however it is spelled: a last "." or ".." is walked
// as the kernel walks it, and doubled or trailing slashes count for nothing.
// A name that is not there yet is made by the super-user, so it must be in a folder nobody else
// changes; the names after it are judged too, a ".." that climbs back out of what the
// super-user will make from the folder it lands in.
std::string OthersCanChange(const std::string& path);

// OthersCanChange for a folder, and also for everything inside it: each entry belongs to the
// super-user and is writable by nobody else, and a symbolic link is judged by what it leads to
// (OthersCanChange of the link's name), a folder with everything in it. For a folder whose files
// the super-user copies, and whose programs and libraries it runs, following those links.
std::string OthersCanChangeAnythingIn(const std::string& folder);

// The same for a folder and only the folders inside it: for a folder whose contents the
// super-user deletes or replaces, where a folder's owner could swap it for a link on the way
// but a file is only removed.
std::string OthersCanChangeAnyFolderIn(const std::string& folder);

}  // namespace platform
