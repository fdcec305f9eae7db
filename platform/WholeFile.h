#pragma once

#include <string>
#include <string_view>

// Files the programs write whole (the configuration files, the parameter file, the updater's
// settings). A write gets the answers the file system would give a plain write of the file.
namespace platform {

// Replaces the contents of fileName by bytes, so that a crash or a full disk leaves either the
// old contents or the new ones: the bytes go to a file beside it that is then renamed over it.
// - What a plain write would refuse is refused (a file the process may not write, a folder
//   it may not create the file in, a missing folder): false, the file untouched.
// - The file keeps its permission bits and its owner; a new file gets the usual ones.
// - A symbolic link stays a link: the file it leads to is written.
// A file the process may write in a folder it may not add to, or one whose owner it could not
// keep, is written in place, as a plain write would write it. False when it could not write.
bool ReplaceFileContents(const std::string& fileName, std::string_view bytes);

// The whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& fileName);

}  // namespace platform
