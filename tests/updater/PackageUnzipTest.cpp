#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

TEST_F(UnzipTest, StoredModesApplyButNeverSetUserOrGroupId) {
    ZipBuilder()
        .File("setup.sh", "#!/bin/sh\n", 0100755)
        .File("private.key", "k", 0100600)
        .File("suid", "s", 0104755)
        .File("sgid", "g", 0102755)
        .Write(Archive());
    ASSERT_EQ(Unzip(), "");
    auto mode = [&](const char* name) {
        return static_cast<unsigned>(fs::status(Temp() + "/" + name).permissions());
    };
    EXPECT_EQ(mode("setup.sh"), 0755u);
    EXPECT_EQ(mode("private.key"), 0600u);
    EXPECT_EQ(mode("suid"), 0755u);
    EXPECT_EQ(mode("sgid"), 0755u);
}

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

struct BadPackage {
    const char* name;
    void (*make)(const std::string& archive);
    const char* error;  // a part of the error line
};

class BadPackageTest : public UnzipTest, public ::testing::WithParamInterface<BadPackage> {};

TEST_P(BadPackageTest, FailsWithItsLineAndWritesNothingOutsideTemp) {
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

INSTANTIATE_TEST_SUITE_P(
    Packages, BadPackageTest,
    ::testing::Values(BadPackage{"NotAZip", NotAZip, "Not a zip archive"},
                      BadPackage{"EmptyArchive", EmptyArchive, "holds no entries"},
                      BadPackage{"DamagedEntry", DamagedEntry, "CRC error"},
                      BadPackage{"DotDot", ClimbsOut, "\"../../x\" refused"},
                      BadPackage{"DotDotBackslash", ClimbsOutWithBackslashes, "refused"},
                      BadPackage{"AbsolutePath", Absolute, "\"/etc/x\" refused"},
                      BadPackage{"SymbolicLink", SymbolicLink, "symbolic link"}),
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
