#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "FileModeMaskGuard.h"
#include "FileSizeLimit.h"
#include "PackageUnzip.h"
#include "QzErrors.h"
#include "TestFolder.h"
#include "ZipBuilder.h"

namespace fs = std::filesystem;

namespace {

// What the update window would have seen.
struct RecordedUnzip : TUnzipEvents {
    void StartUnZipInfo() override { events.push_back("start"); }
    void TotalPercentDone(int percent) override { percents.push_back(percent); }
    void UnZipComplete() override { events.push_back("complete"); }
    std::vector<std::string> events;
    std::vector<int> percents;
};

// The package lies in "temp" and is unpacked there, as the update does it.
class UnzipTest : public ::testing::Test {
protected:
    std::string Temp() const { return root_.File("temp"); }
    std::string Archive() const { return root_.File("temp/p.zip"); }
    void SetUp() override { fs::create_directories(Temp()); }

    // The error text; empty when nothing was raised.
    std::string Unzip() {
        try {
            UnZipFiles(Archive(), Temp(), events_);
        } catch (const Exception& e) {
            return e.what();
        }
        return "";
    }

    // Every path under the test's folder but the package itself.
    std::vector<std::string> Written() const {
        std::vector<std::string> paths;
        for (const auto& item : fs::recursive_directory_iterator(root_.Path())) {
            std::string path = item.path().string().substr(root_.Path().size());
            if (path != "temp" && path != "temp/p.zip") {
                paths.push_back(path);
            }
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    TestFolder root_;
    RecordedUnzip events_;
};

TEST_F(UnzipTest, EveryEntryIsExtractedWithItsFolders) {
    ZipBuilder()
        .File("setup.sh", "#!/bin/sh\n", 0100755)
        .Folder("Config/")
        .File("Config/Config.ini", "[a]\r\n")
        .File("bin/VelPay", "program", 0100755)  // no ".", in a sub-folder
        .File("OrvUpdate", "updater", 0100755)   // no ".", at the top, not last
        .File("readme.txt", "text")
        .Write(Archive());
    EXPECT_EQ(Unzip(), "");
    EXPECT_EQ(Written(), (std::vector<std::string>{"temp/Config", "temp/Config/Config.ini",
                                                   "temp/OrvUpdate", "temp/bin", "temp/bin/VelPay",
                                                   "temp/readme.txt", "temp/setup.sh"}));
    EXPECT_EQ(root_.Read("temp/bin/VelPay"), "program");
    EXPECT_EQ(root_.Read("temp/Config/Config.ini"), "[a]\r\n");
}

// Modes a package stores: common ones, set-ID ones and ones open to the group or to everybody.
constexpr std::array<std::pair<const char*, uint32_t>, 6> kStoredModes = {
    {{"setup.sh", 0100755},
     {"private.key", 0100600},
     {"suid", 0104755},
     {"sgid", 0102755},
     {"open.sh", 0100777},
     {"shared.ini", 0100664}}};

struct StoredModesCase {
    const char* name;
    mode_t mask;
    std::array<unsigned, kStoredModes.size()> unpacked;  // in the order of kStoredModes
};

class StoredModes : public UnzipTest, public ::testing::WithParamInterface<StoredModesCase> {};

TEST_P(StoredModes, ApplyLessTheMaskAndNeverSetIds) {
    const FileModeMaskGuard mask(GetParam().mask);
    ZipBuilder package;
    for (const auto& [name, mode] : kStoredModes) {
        package.File(name, "x", mode);
    }
    package.Write(Archive());
    ASSERT_EQ(Unzip(), "");
    for (size_t i = 0; i < kStoredModes.size(); ++i) {
        const char* name = kStoredModes[i].first;
        EXPECT_EQ(static_cast<unsigned>(fs::status(Temp() + "/" + name).permissions()),
                  GetParam().unpacked[i])
            << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Masks, StoredModes,
    ::testing::Values(StoredModesCase{"Common", 022, {0755, 0600, 0755, 0755, 0755, 0644}},
                      // Cashiers sharing the till through a group write each other's files.
                      StoredModesCase{"GroupShared", 002, {0755, 0600, 0755, 0755, 0775, 0664}},
                      StoredModesCase{"Private", 077, {0700, 0600, 0700, 0700, 0700, 0600}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnzipTest, EventsRunFromStartThroughEveryPercentToCompletion) {
    ZipBuilder()
        .File("a.bin", std::string(3 * 1024 * 1024, 'a'))
        .File("b.bin", std::string(1024 * 1024, 'b'))
        .Write(Archive());
    ASSERT_EQ(Unzip(), "");
    EXPECT_EQ(events_.events, (std::vector<std::string>{"start", "complete"}));
    ASSERT_EQ(events_.percents.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(events_.percents[i], i + 1);  // the midpoint 50 included
    }
}

TEST_F(UnzipTest, EntryNamesInCodePage936BecomeUtf8) {
    ZipBuilder().File(Gbk("说明.txt"), "x").Write(Archive());
    ASSERT_EQ(Unzip(), "");
    EXPECT_TRUE(fs::exists(Temp() + "/说明.txt"));
}

TEST_F(UnzipTest, EntryOfTheArchivesOwnNameDoesNotDestroyTheArchiveBeingRead) {
    ZipBuilder().File("p.zip", "inner").File("z.txt", std::string(100000, 'z')).Write(Archive());
    ASSERT_EQ(Unzip(), "");
    EXPECT_EQ(root_.Read("temp/z.txt"), std::string(100000, 'z'));
}

TEST_F(UnzipTest, PackageMadeByBsdtarUnpacksWholeAndItsTopFolderEntryIsPassedOver) {
    TestFolder package;
    package.Write("setup.sh", "#!/bin/sh\n");
    fs::permissions(package.File("setup.sh"), static_cast<fs::perms>(0755));
    package.Write("Pay/VelPay", "program");
    // Its first entry is "./", the folder it was made in.
    const std::string make =
        "bsdtar --format zip -cf '" + Archive() + "' -C '" + package.Path() + "' .";
    ASSERT_EQ(std::system(make.c_str()), 0);
    EXPECT_EQ(Unzip(), "");
    EXPECT_EQ(Written(),
              (std::vector<std::string>{"temp/Pay", "temp/Pay/VelPay", "temp/setup.sh"}));
    EXPECT_EQ(root_.Read("temp/Pay/VelPay"), "program");
    EXPECT_EQ(fs::status(Temp() + "/setup.sh").permissions(), static_cast<fs::perms>(0755));
}

struct BadPackage {
    const char* name;
    void (*make)(const std::string& archive);
    const char* error;  // a part of the error line
    bool begins;        // the extraction began (and completed) before the failure
};

class BadPackageTest : public UnzipTest, public ::testing::WithParamInterface<BadPackage> {};

TEST_P(BadPackageTest, FailsWithItsLineAndLeavesNothingBehind) {
    GetParam().make(Archive());
    std::error_code ec;
    bool etcXBefore = fs::exists("/etc/x", ec);
    std::string error = Unzip();
    EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
    for (const std::string& path : Written()) {
        EXPECT_EQ(path.rfind("temp/", 0), 0u) << path;
    }
    EXPECT_FALSE(fs::exists(root_.File("x")));
    EXPECT_EQ(fs::exists("/etc/x", ec), etcXBefore);
    // Nothing of a refused package stays, not even a file that had begun.
    EXPECT_TRUE(Written().empty());
    EXPECT_EQ(events_.events, (GetParam().begins ? std::vector<std::string>{"start", "complete"}
                                                 : std::vector<std::string>{}));
}

void NotAZip(const std::string& archive) {
    std::ofstream(archive, std::ios::binary) << "<html>404</html>";
}
void EmptyArchive(const std::string& archive) {
    // The end-of-directory record alone: a valid archive without entries.
    std::ofstream(archive, std::ios::binary)
        << std::string("PK\x05\x06", 4) << std::string(18, '\0');
}
void DamagedEntry(const std::string& archive) {
    ZipBuilder().Stored("a.txt", "the original bytes").Write(archive);
    std::fstream file(archive, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    size_t at = bytes.find("original");
    file.seekp(static_cast<std::streamoff>(at));
    file << "ORIGINAL";
}
void ClimbsOut(const std::string& archive) {
    ZipBuilder().File("ok.txt", "fine").File("../../x", "escaped").Write(archive);
}
void ClimbsOutWithBackslashes(const std::string& archive) {
    ZipBuilder().File("sub\\..\\..\\..\\x", "escaped").Write(archive);
}
void Absolute(const std::string& archive) {
    ZipBuilder().File("ok.txt", "fine").File("/etc/x", "escaped").Write(archive);
}
void SymbolicLink(const std::string& archive) {
    ZipBuilder().File("ok.txt", "fine").Symlink("link", "/etc").File("link/x", "y").Write(archive);
}
void FileNamedDot(const std::string& archive) {
    ZipBuilder().File("ok.txt", "fine").File("./.", "nameless").Write(archive);
}
// Entries e0.bin, e1.bin ... of `bytes` zero bytes each, whose directory declares the sizes
// given instead: python's zipfile writes the directory from its records when it closes, so
// changing them first forges the sizes (in zip64 fields beyond 4 GiB) and keeps the data true.
void ForgedSizes(const std::string& archive, size_t bytes, std::vector<uint64_t> declared) {
    std::string make =
        "/usr/bin/python3 -c 'import sys,zipfile\n"
        "z=zipfile.ZipFile(sys.argv[1],\"w\",zipfile.ZIP_DEFLATED)\n"
        "for i,size in enumerate(sys.argv[3:]):\n"
        "  z.writestr(\"e%d.bin\"%i,bytes(int(sys.argv[2])))\n"
        "  z.filelist[-1].file_size=int(size)\n"
        "z.close()' '" +
        archive + "' " + std::to_string(bytes);
    for (uint64_t size : declared) {
        make += " " + std::to_string(size);
    }
    if (std::system(make.c_str()) != 0) {
        throw std::runtime_error("cannot write " + archive);
    }
}
void NoRoom(const std::string& archive) {
    ForgedSizes(archive, 1, {uint64_t(1) << 60});
}
void DeclaredSizesWrapAround(const std::string& archive) {
    // Their sum modulo 2^64 is 16 bytes.
    ForgedSizes(archive, 1, {UINT64_MAX - 15, 32});
}
void InflatesPastItsSize(const std::string& archive) {
    ForgedSizes(archive, 4 * 1024 * 1024, {1000});
}

INSTANTIATE_TEST_SUITE_P(
    Packages, BadPackageTest,
    ::testing::Values(BadPackage{"NotAZip", NotAZip, "Not a zip archive", false},
                      BadPackage{"EmptyArchive", EmptyArchive, "holds no entries", false},
                      BadPackage{"DamagedEntry", DamagedEntry, "CRC error", true},
                      BadPackage{"DotDot", ClimbsOut, "\"../../x\" refused", false},
                      BadPackage{"DotDotBackslash", ClimbsOutWithBackslashes, "refused", false},
                      BadPackage{"AbsolutePath", Absolute, "\"/etc/x\" refused", false},
                      BadPackage{"SymbolicLink", SymbolicLink, "symbolic link", false},
                      BadPackage{"FileNamedDot", FileNamedDot, "names no file", false},
                      BadPackage{"DeclaredSizeBeyondTheFreeSpace", NoRoom,
                                 "needs 1152921504606846976 bytes", false},
                      BadPackage{"DeclaredSizesWrapAround", DeclaredSizesWrapAround,
                                 "needs 18446744073709551615 bytes", false},
                      BadPackage{"InflatesPastItsDeclaredSize", InflatesPastItsSize,
                                 "\"e0.bin\" holds more than its declared 1000 bytes", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnzipTest, RefusedEntryFailsBeforeAnythingIsWritten) {
    ZipBuilder().File("a.txt", "fine").File("../../x", "escaped").Write(Archive());
    EXPECT_NE(Unzip(), "");
    EXPECT_TRUE(Written().empty());
    EXPECT_TRUE(events_.events.empty());
}

TEST_F(UnzipTest, DamagedEntryStillCompletesAndLeavesNoHalfFile) {
    DamagedEntry(Archive());
    EXPECT_NE(Unzip().find("CRC error"), std::string::npos);
    EXPECT_EQ(events_.events, (std::vector<std::string>{"start", "complete"}));
    EXPECT_FALSE(fs::exists(Temp() + "/a.txt"));
}

TEST_F(UnzipTest, GigabyteEntryWhereLittleSpaceIsLeftFailsAndIsRemoved) {
    std::string make =
        "/usr/bin/python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1],'w',"
        "zipfile.ZIP_DEFLATED,compresslevel=9); w=z.open('big.bin','w',force_zip64=True); "
        "c=bytes(1<<20); [w.write(c) for _ in range(1024)]; w.close(); z.close()\" '" +
        Archive() + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    ASSERT_LT(fs::file_size(Archive()), 2u * 1024 * 1024);
    std::string error;
    {
        FileSizeLimit limit(8 * 1024 * 1024);
        error = Unzip();
    }
    EXPECT_NE(error.find("Error writing file"), std::string::npos) << error;
    EXPECT_EQ(events_.events, (std::vector<std::string>{"start", "complete"}));
    EXPECT_FALSE(fs::exists(Temp() + "/big.bin"));
}

}  // namespace
