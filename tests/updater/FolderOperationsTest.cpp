#include <gtest/gtest.h>

#include <filesystem>

#include "FileSizeLimit.h"
#include "FolderOperations.h"
#include "QzErrors.h"
#include "TestFolder.h"

namespace fs = std::filesystem;

namespace {

TEST(EnsureDir, CreatesEveryMissingParent) {
    TestFolder root;
    EnsureDir(root.File("a/b/c"));
    EXPECT_TRUE(fs::is_directory(root.File("a/b/c")));
    EXPECT_NO_THROW(EnsureDir(root.File("a/b/c")));  // already there
}

TEST(EnsureDir, EmptyNameRaisesUnableToCreateDirectory) {
    try {
        EnsureDir("");
        FAIL() << "no error raised";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Unable to create directory");
    }
}

TEST(DeleteDir, RemovesTheFolderWithEverythingInIt) {
    TestFolder root;
    root.Write("temp/sub/a.bin", "x");
    root.Write("temp/b.txt", "y");
    DeleteDir(root.File("temp"));
    EXPECT_FALSE(fs::exists(root.File("temp")));
}

TEST(DeleteDir, MissingOrEmptyFolderIsPassedOver) {
    TestFolder root;
    EXPECT_NO_THROW(DeleteDir(root.File("nothing-here")));
    EXPECT_NO_THROW(DeleteDir(""));
}

TEST(DeleteDir, FollowsNoLinkOutOfTheFolder) {
    TestFolder root;
    root.Write("keep/precious.txt", "z");
    fs::create_directories(root.File("temp"));
    fs::create_directory_symlink(root.File("keep"), root.File("temp/link"));
    DeleteDir(root.File("temp"));
    EXPECT_FALSE(fs::exists(root.File("temp")));
    EXPECT_EQ(root.Read("keep/precious.txt"), "z");
}

TEST(CopyDir, CopyLandsInsideDestUnderTheSourcesLastName) {
    TestFolder root;
    root.Write("Shop/Pay/VelPay", "program");
    root.Write("Shop/Pay/Config/Config.ini", "[a]\r\n");
    fs::create_directories(root.File("Shop/bak"));
    CopyDir(root.File("Shop/Pay"), root.File("Shop/bak"));
    EXPECT_EQ(root.Read("Shop/bak/Pay/VelPay"), "program");
    EXPECT_EQ(root.Read("Shop/bak/Pay/Config/Config.ini"), "[a]\r\n");
    EXPECT_EQ(root.Read("Shop/Pay/VelPay"), "program");  // the source stays
}

TEST(CopyDir, TrailingSlashOnSourceKeepsItsName) {
    TestFolder root;
    root.Write("Shop/Pay/VelPay", "program");
    fs::create_directories(root.File("Shop/bak"));
    CopyDir(root.File("Shop/Pay/"), root.File("Shop/bak"));
    EXPECT_EQ(root.Read("Shop/bak/Pay/VelPay"), "program");
}

TEST(CopyDir, EmptyOrMissingSourceCopiesNothingAndRaisesNothing) {
    TestFolder root;
    fs::create_directories(root.File("bak"));
    EXPECT_NO_THROW(CopyDir("", root.File("bak")));
    EXPECT_NO_THROW(CopyDir(root.File("missing"), root.File("bak")));
    EXPECT_TRUE(fs::is_empty(root.File("bak")));
}

TEST(CopyDir, CopyCutShortByAFullDiskRaises) {
    TestFolder root;
    root.Write("Shop/Pay/VelPay", std::string(256 * 1024, 'p'));
    fs::create_directories(root.File("Shop/bak"));
    FileSizeLimit nearlyFull(64 * 1024);
    EXPECT_THROW(CopyDir(root.File("Shop/Pay"), root.File("Shop/bak")), std::exception);
}

}  // namespace
