#include "FolderOperations.h"

#include <filesystem>

#include "FolderTree.h"
#include "QzErrors.h"

void EnsureDir(const std::string& folder) {
    if (folder.empty()) {
        throw Exception("Unable to create directory");
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
}

void DeleteDir(const std::string& folder) {
    platform::DeleteFolderTree(folder);
}

void CopyDir(const std::string& source, const std::string& dest) {
    platform::CopyFolderTree(source, dest);
}
