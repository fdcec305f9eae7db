// What the tests of an installed layout stand on: a temporary folder, the entries under a folder
// with their modes, the programs' library search paths, the updater's settings as an install
// writes them, and the installed programs on a private X server with the build folder out of
// sight.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "FileBytes.h"
#include "XServer.h"

namespace fs = std::filesystem;

// Every entry under root by its path relative to root: "d" or "f" and the permission bits in
// octal ("d755", "f644"), "l" for a symbolic link.
std::map<std::string, std::string> Tree(const fs::path& root);

// The RUNPATH and RPATH entries of an ELF file, joined by ";"; empty when it has none.
std::string LibrarySearchPath(const fs::path& elf);

// The updater's settings file an install under prefix seeds: code page 936, CR LF line ends.
std::string ExpectedUpdaterSettings(const std::string& prefix);

// The Debian package built from the build folder's install rules into folder, under the strictest
// umask, which must not shut the till's user out; empty when cpack fails, its output in log.
fs::path BuildPackage(const fs::path& folder, std::string& log);

// The package's files unpacked under root, with the updater's settings seeded from the template
// as the package's postinst does on a till; the layout's folder, root + "/opt/velpay".
fs::path UnpackPackage(const fs::path& deb, const fs::path& root);

// argv run with an empty file system laid over the build folder, as on a till that never saw
// it. Empty when this machine cannot make a private mount.
std::vector<std::string> WithoutBuildFolder(const std::vector<std::string>& argv);

// Installed programs started on one private X server, each with the build folder hidden and its
// message boxes answered at once and recorded in one file.
class TillDesktop {
public:
    explicit TillDesktop(const fs::path& boxes);

    // Started and left running; stopped by the returned object.
    std::unique_ptr<ChildProcess> Start(const fs::path& program,
                                        const std::vector<std::string>& args = {});
    // Run to its end, at most timeoutMs.
    XServer::Result Run(const fs::path& program, const std::vector<std::string>& args = {},
                        int timeoutMs = 20000);
    // Whether a visible window with exactly this caption appears within timeoutMs.
    bool WaitForWindow(const std::string& caption, int timeoutMs = 20000);
    std::string Boxes() const { return ReadBytes(boxes_); }

private:
    std::vector<std::string> Environment() const;
    XServer x_;
    fs::path boxes_;
};
