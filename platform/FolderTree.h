#pragma once

#include <string>

namespace platform {

// A folder with everything in it, as the shell's file operations handle it: without asking and
// without error boxes. Neither reports a failure; what cannot be removed or copied stays as it is.

void DeleteFolderTree(const std::string& folder);

// Copies Source (a folder with everything in it, or a file) into the folder Dest under Source's
// last name; when Dest does not exist, the copy becomes Dest. A symbolic link is copied as a link.
void CopyFolderTree(const std::string& source, const std::string& dest);

}  // namespace platform
