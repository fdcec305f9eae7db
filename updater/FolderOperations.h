#pragma once

#include <string>

// Creates Folder with every missing parent. An empty Folder raises Exception
// "Unable to create directory"; any other failure goes unnoticed.
void EnsureDir(const std::string& folder);

// Deletes Folder with everything in it; a folder that does not exist or cannot be deleted is
// passed over silently.
void DeleteDir(const std::string& folder);

// Copies the folder Source with everything in it into Dest, where it lands under Source's last
// name (Source /shop/pay, Dest /shop/bak: /shop/bak/pay). An empty or missing Source copies
// nothing; a copy that fails on the way raises, so that a partial backup never passes for one.
void CopyDir(const std::string& source, const std::string& dest);
