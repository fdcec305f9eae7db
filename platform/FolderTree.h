#pragma once

#include <string>

namespace platform {

// A folder with everything in it, as the shell's file operations handle it: without asking and
// without error boxes.

// Reports no failure; what cannot be removed stays as it is.
void DeleteFolderTree(const std::string& folder);

// Copies the folder Source with everything in it into the folder Dest, under Source's last name,
// and replaces the copy of Source left there before only once the new copy is whole: the copy is
// made beside it under a hidden name of its own, then trades places with the old copy in one
// step (in two renames where the file system cannot do that), and only then does the old copy
// go. A copy keeps its file's mode less what the file mode mask takes away, and no set-user-ID
// or set-group-ID bit when it belongs to another owner than its file. First goes what a run
// killed on the way left of Source's copies in Dest (the old copy back to its name when it was
// left aside); nothing else in Dest is touched. A symbolic link at Source is followed; links
// inside it are copied as links. Raises std::runtime_error with the reason (Source missing or no
// folder, Dest no folder, a full disk, a swap refused); the old copy then stays as it was, and
// nothing of the new one remains. Only when both renames fail does the old copy stay aside, for
// the next backup to put back. A Source that ends in "." or ".." has the last name of the folder
// it leads to.
void CopyFolderTree(const std::string& source, const std::string& dest);

}  // namespace platform
