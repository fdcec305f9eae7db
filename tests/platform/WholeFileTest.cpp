#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>

#include "TestFolder.h"
#include "Unprivileged.h"
#include "WholeFile.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// One write by an unprivileged user, and what the file system must answer it.
struct PermissionCase {
    const char* name;
    mode_t folderMode;
    bool fileExists;
    mode_t fileMode;  // the file is root's
    bool written;
};

class WholeFilePermissions : public ::testing::TestWithParam<PermissionCase> {};

TEST_P(WholeFilePermissions, AnswersAsAPlainWriteWould) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can run the write as another user";
    }
    const PermissionCase& c = GetParam();
    TestFolder dir;
    ::chmod(dir.Path().c_str(), 0755);
    const std::string folder = dir.File("Config");
    fs::create_directory(folder);
    const std::string file = folder + "/Config.ini";
    if (c.fileExists) {
        dir.Write("Config/Config.ini", "old");
        ::chmod(file.c_str(), c.fileMode);
    }
    ::chmod(folder.c_str(), c.folderMode);

    std::optional<bool> answer = AsNobody([&] { return ReplaceFileContents(file, "new"); });
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, c.written);
    EXPECT_EQ(fs::exists(file), c.fileExists || c.written);
    if (c.fileExists) {
        EXPECT_EQ(dir.Read("Config/Config.ini"), c.written ? "new" : "old");
        struct stat st = StatOf(file);
        EXPECT_EQ(st.st_uid, 0u) << "the owner stays";
        EXPECT_EQ(st.st_mode & 07777, c.fileMode);
    }
    EXPECT_FALSE(fs::exists(file + ".new"));
}

INSTANTIATE_TEST_SUITE_P(
    Unprivileged, WholeFilePermissions,
    ::testing::Values(PermissionCase{"ReadOnlyFileInAFolderItMayWrite", 0777, true, 0444, false},
                      PermissionCase{"AnotherUsersFileInAFolderItMayWrite", 0777, true, 0644,
                                     false},
                      PermissionCase{"NewFileInAFolderItMayNotWrite", 0755, false, 0, false},
                      PermissionCase{"WritableFileInAFolderItMayNotWrite", 0755, true, 0666, true},
                      PermissionCase{"WritableFileOfAnotherOwner", 0777, true, 0666, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WholeFile, KeepsPermissionBitsAndOwner) {
    TestFolder dir;
    const std::string file = dir.File("Parameter.dat");
    dir.Write("Parameter.dat", "old");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    bool canGiveAway = ::geteuid() == 0 && ::chown(file.c_str(), kNobody, kNobody) == 0;

    ASSERT_TRUE(ReplaceFileContents(file, "new"));
    EXPECT_EQ(dir.Read("Parameter.dat"), "new");
    struct stat st = StatOf(file);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (canGiveAway) {
        EXPECT_EQ(st.st_uid, kNobody);
        EXPECT_EQ(st.st_gid, kNobody);
    }
}

TEST(WholeFile, WritesThroughSymbolicLinksToTheirTarget) {
    TestFolder dir;
    fs::create_directories(dir.File("shared/conf"));
    dir.Write("shared/conf/Config.ini", "old");

    // A relative link, a chain ending in an absolute one, and a link that leads nowhere yet.
    fs::create_symlink("shared/conf/Config.ini", dir.File("relative.ini"));
    fs::create_symlink(dir.File("shared/conf/Config.ini"), dir.File("shared/absolute.ini"));
    fs::create_symlink("shared/absolute.ini", dir.File("chain.ini"));
    fs::create_symlink("conf/later.ini", dir.File("shared/dangling.ini"));

    ASSERT_TRUE(ReplaceFileContents(dir.File("relative.ini"), "one"));
    EXPECT_EQ(dir.Read("shared/conf/Config.ini"), "one");
    ASSERT_TRUE(ReplaceFileContents(dir.File("chain.ini"), "two"));
    EXPECT_EQ(dir.Read("shared/conf/Config.ini"), "two");
    ASSERT_TRUE(ReplaceFileContents(dir.File("shared/dangling.ini"), "three"));
    EXPECT_EQ(dir.Read("shared/conf/later.ini"), "three");

    for (const char* link :
         {"relative.ini", "chain.ini", "shared/absolute.ini", "shared/dangling.ini"}) {
        EXPECT_TRUE(fs::is_symlink(dir.File(link))) << link;
    }
    EXPECT_FALSE(fs::exists(dir.File("relative.ini.new")));
    EXPECT_FALSE(fs::exists(dir.File("shared/conf/Config.ini.new")));
}

TEST(WholeFile, RefusesWhatCannotBeAFile) {
    TestFolder dir;
    fs::create_directory(dir.File("folder"));
    EXPECT_FALSE(ReplaceFileContents(dir.File("folder"), "x"));
    EXPECT_TRUE(fs::is_directory(dir.File("folder")));

    fs::create_symlink("loop.ini", dir.File("loop.ini"));
    EXPECT_FALSE(ReplaceFileContents(dir.File("loop.ini"), "x"));
    EXPECT_TRUE(fs::is_symlink(dir.File("loop.ini")));
}

TEST(WholeFile, FreshFileRefusesAFolderAtItsName) {
    TestFolder dir;
    fs::create_directory(dir.File("Update.log"));
    EXPECT_FALSE(WriteFreshFile(dir.File("Update.log"), "x"));
    EXPECT_FALSE(WriteFreshFile(dir.File("Update.log/"), "x"));
    EXPECT_TRUE(fs::is_empty(dir.File("Update.log")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(WholeFile, FreshFileTakesTheNameOnlyWhenCommitted) {
    TestFolder dir;
    dir.Write("verex.ini", "old");
    const std::string large(3 * 1024 * 1024, 'n');  // more than is held back in memory
    {
        FreshFile file(dir.File("verex.ini"));
        ASSERT_TRUE(file.IsOpen());
        ASSERT_TRUE(file.Write(large));
        EXPECT_EQ(dir.Read("verex.ini"), "old");
    }
    EXPECT_EQ(dir.Read("verex.ini"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1)
        << "the uncommitted file is gone";

    FreshFile file(dir.File("verex.ini"));
    ASSERT_TRUE(file.Write(large) && file.Write("!") && file.Commit());
    EXPECT_EQ(dir.Read("verex.ini"), large + "!");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

}  // namespace
