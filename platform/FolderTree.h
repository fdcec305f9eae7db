#pragma once

#include <string>

namespace platform {

// A folder with everything in it, as the shell's file operations handle it: without asking and
// without error boxes.

// Reports no failure; what cannot be removed stays as it is.
void DeleteFolderTree(const std::string& folder);

// Copies Source (a folder with everything in it, or a file) into the folder Dest under Source's
// last name; when Dest does not exist, the copy becomes Dest. A symbolic link is copied as a link.
// An empty or missing Source copies nothing; a copy that fails on the way (a full disk) raises
// std::runtime_error with the reason.
void CopyFolderTree(const std::string& source, const std::string& dest);

}  // namespace platform
