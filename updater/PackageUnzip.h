#pragma once

#include <string>

// The update window's handlers for the unpacking: its start, the total percentage done (0 to
// 100), and its completion (which comes also when an extraction that has begun fails).
class TUnzipEvents {
public:
    virtual ~TUnzipEvents() = default;
    virtual void StartUnZipInfo() = 0;
    virtual void TotalPercentDone(int percent) = 0;
    virtual void UnZipComplete() = 0;
};

// Unpacks every entry of the ZIP archive ArchiveFile into DestFolder: sub-folders recreated from
// the stored paths, the stored permission bits applied (set-user-ID and set-group-ID never).
// Raises Exception with the reason when the archive is not a ZIP, has no entries, holds a damaged
// entry, an entry whose stored path is absolute or climbs out of DestFolder, or a symbolic link,
// or when the disk refuses the data; nothing is ever written outside DestFolder.
void UnZipFiles(const std::string& archiveFile, const std::string& destFolder,
                TUnzipEvents& events);

// The selection rule of the package format, kept for reading packages made for it: Text matches
// Pattern when "*" stands for any run of characters (none and folder separators included), "?"
// for one character, and every other character for itself; both compared lower-cased.
bool MatchesWildcard(const std::string& text, const std::string& pattern);
