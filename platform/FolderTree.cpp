#include "FolderTree.h"

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {
namespace {

// The last name of a folder, also when it is written with a trailing "/".
fs::path LastName(const fs::path& folder) {
    return folder.filename().empty() ? folder.parent_path().filename() : folder.filename();
}

[[noreturn]] void CannotCopy(const std::string& source, const fs::path& to,
                             const std::string& reason) {
    throw std::runtime_error("Cannot copy \"" + source + "\" to \"" + to.string() + "\". " +
                             reason);
}

// A hidden folder of its own beside the copy it stands in for, where the new copy grows until it
// is whole and where the old one goes once replaced; removed with whatever it still holds.
class StagingFolder {
public:
    // Empty when it cannot be made (errno says why).
    StagingFolder(const fs::path& dest, const fs::path& name) {
        std::string pattern = (dest / ("." + name.string() + ".copy-XXXXXX")).string();
        if (::mkdtemp(pattern.data())) {
            path_ = pattern;
        }
    }
    ~StagingFolder() {
        std::error_code ec;
        if (!path_.empty()) {
            fs::remove_all(path_, ec);
        }
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

}  // namespace

void DeleteFolderTree(const std::string& folder) {
    if (folder.empty()) {
        return;
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
}

void CopyFolderTree(const std::string& source, const std::string& dest) {
    const fs::path to = fs::path(dest) / LastName(source);
    std::error_code ec;
    // A link at Source stands for the folder it leads to.
    const fs::path from = source.empty() ? fs::path() : fs::canonical(source, ec);
    if (ec) {
        CannotCopy(source, to, ec.message());
    }
    if (from.empty() || !fs::is_directory(from, ec)) {
        CannotCopy(source, to, "It is not a folder");
    }

    StagingFolder staging(dest, LastName(source));
    if (staging.Path().empty()) {
        CannotCopy(source, to, std::generic_category().message(errno));
    }
    const fs::path fresh = staging.Path() / "new";
    fs::copy(from, fresh, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    // A copy that stopped halfway (a full disk) must not pass for one.
    if (ec) {
        CannotCopy(source, to, ec.message());
    }

    // The old copy steps aside into the staging folder, to go with it once the new one is in
    // its place; when the new one cannot take that place, the old one comes back.
    const fs::path old = staging.Path() / "old";
    const bool hadOld = fs::exists(fs::symlink_status(to, ec));
    if (hadOld) {
        fs::rename(to, old, ec);
        if (ec) {
            CannotCopy(source, to, ec.message());
        }
    }
    fs::rename(fresh, to, ec);
    if (ec) {
        std::error_code back;
        if (hadOld) {
            fs::rename(old, to, back);
        }
        CannotCopy(source, to, ec.message());
    }
}

}  // namespace platform
