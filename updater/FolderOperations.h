#pragma once

#include <string>

// Creates Folder with every missing parent. An empty Folder raises Exception
// "Unable to create directory"; any other failure goes unnoticed.
void EnsureDir(const std::string& folder);

// Deletes Folder with everything in it; a folder that does not exist or cannot be deleted is
// passed over silently.
void DeleteDir(const std::string& folder);

// Copies the folder Source with everything in it into the folder Dest, where it lands under
// Source's last name (Source /shop/pay, Dest /shop/bak: /shop/bak/pay), replacing the copy there
// only once the new one is whole; the rest of Dest stays as it is. A link at Source is copied as
// the folder it leads to. An empty or missing Source, one that is no folder, or a copy that fails
// on the way (a full disk) raises, and the old copy stays: a partial backup never passes for one,
// and never costs the last whole one. A Source that ends in "." or ".." lands under the name of
// the folder it leads to.
void CopyDir(const std::string& source, const std::string& dest);
