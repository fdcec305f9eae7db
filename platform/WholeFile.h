#pragma once

#include <string>
#include <string_view>

// Files the programs write whole: the configuration files, the parameter file and the updater's
// settings in their place (a write gets the answers the file system would give a plain write of
// the file), the updater's work files anew.
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

// A file written anew at a name, never through what stands there: the bytes go to a new file
// beside it, under a name of its own made for this write alone, which takes the name's place only
// on Commit. Whatever stood at the name then goes, a file or a symbolic link (what the link leads
// to stays untouched). Uncommitted, the new file is removed. The new file gets the permission
// bits of a plain create. For the files a program writes anew on every run in a folder others may
// write to: a link planted at the name cannot steer the bytes elsewhere.
class FreshFile {
public:
    // Whether Commit waits for the bytes to reach the disk. A file nobody keeps past a crash (a
    // download that is used at once and fetched again after one) need not wait: for a large file
    // that wait takes longer than the writing.
    enum class Sync { ToDisk, Skipped };

    // Not open (Error says why) when fileName names a folder or its folder takes no new file.
    explicit FreshFile(std::string fileName, Sync sync = Sync::ToDisk);
    ~FreshFile();
    FreshFile(const FreshFile&) = delete;
    FreshFile& operator=(const FreshFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Adds bytes at the end. False when the disk refused them.
    bool Write(std::string_view bytes);
    // Puts the file in the name's place, whole on the disk first unless Sync::Skipped. False
    // when it could not: the name then holds what it held before.
    bool Commit();
    // The errno value of the last failure.
    int Error() const { return error_; }

private:
    bool Flush();
    bool Failed();
    bool Close();

    std::string fileName_;
    std::string temp_;  // the new file's own name until it takes fileName's place
    int fd_;
    Sync sync_;
    std::string buffer_;
    int error_ = 0;
};

// A name beside fileName for a new file that is to take its place: hidden, marked as such, and
// random so that nobody can take it first.
std::string FreshNameBeside(const std::string& fileName);

// Removes the new files a FreshFile of fileName left beside it when its process was killed before
// Commit, and nothing else: only names of exactly the form FreshFile makes.
void RemoveFreshLeftovers(const std::string& fileName);

// fileName written anew with bytes, as FreshFile writes it. False when it could not be.
bool WriteFreshFile(const std::string& fileName, std::string_view bytes);

// The whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& fileName);

}  // namespace platform
