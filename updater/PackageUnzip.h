#pragma once

#include <cstdint>
#include <string>

// The update window's handlers for the unpacking: its start, the total percentage done (0 to
// 100, every value on the way reported once), and its completion (which comes also when an
// extraction that has begun fails).
class TUnzipEvents {
public:
    virtual ~TUnzipEvents() = default;
    virtual void StartUnZipInfo() = 0;
    virtual void TotalPercentDone(int percent) = 0;
    virtual void UnZipComplete() = 0;
};

// Unpacks every entry of the ZIP archive ArchiveFile into DestFolder: sub-folders recreated from
// the stored paths, the stored permission bits of files applied (set-user-ID and set-group-ID
// never; a read-only file made on Windows stays read-only). Names not stored as UTF-8 are read as
// code page 936, as the packages made on Windows store them. An entry for the archive's top
// folder itself ("./", as bsdtar writes it) is DestFolder and passed over.
// Raises Exception with the reason when the archive is not a ZIP, has no entries, holds a damaged
// entry, an entry whose stored path is absolute or climbs out of DestFolder, or a symbolic link,
// when the sizes its directory declares add up to more than DestFolder's file system has free (or
// than maxBytes), when an entry yields more than its declared size, or when the disk refuses the
// data. Entries and room are checked before anything is written, so a refused archive writes
// nothing; nothing is ever written outside DestFolder, and a file whose data did not arrive whole
// is removed again.
void UnZipFiles(const std::string& archiveFile, const std::string& destFolder, TUnzipEvents& events,
                std::uint64_t maxBytes = UINT64_MAX);
