#include "FolderTree.h"

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace platform {

void DeleteFolderTree(const std::string& folder) {
    if (folder.empty()) {
        return;
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
}

void CopyFolderTree(const std::string& source, const std::string& dest) {
    if (source.empty() || dest.empty()) {
        return;
    }
    std::error_code ec;
    fs::path from(source);
    if (!fs::exists(fs::symlink_status(from, ec))) {
        return;
    }
    fs::path name = from.filename().empty() ? from.parent_path().filename() : from.filename();
    fs::path to = fs::is_directory(dest, ec) ? fs::path(dest) / name : fs::path(dest);
    fs::copy(from, to,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks |
                 fs::copy_options::overwrite_existing,
             ec);
    // A backup that stopped halfway (a full disk) must not pass for a backup.
    if (ec) {
        throw std::runtime_error("Cannot copy \"" + source + "\" to \"" + to.string() + "\". " +
                                 ec.message());
    }
}

}  // namespace platform
