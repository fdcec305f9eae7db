#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "FileBytes.h"
#include "FileModeMaskGuard.h"
#include "FileSizeLimit.h"
#include "FolderOperations.h"
#include "QzErrors.h"
#include "SmallFileSystem.h"
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

// The program folder Shop/Pay, spelled as a setting may spell it.
struct SourceSpellingCase {
    const char* name;
    const char* source;
};

class CopyDirSourceSpelling : public ::testing::TestWithParam<SourceSpellingCase> {};

TEST_P(CopyDirSourceSpelling, CopyLandsUnderTheNameOfTheFolderItNames) {
    TestFolder root;
    root.Write("Shop/Pay/VelPay", "program");
    root.Write("Shop/Pay/Config/Config.ini", "[a]\r\n");
    fs::create_directories(root.File("Shop/bak"));
    CopyDir(root.File(GetParam().source), root.File("Shop/bak"));
    EXPECT_EQ(root.Read("Shop/bak/Pay/VelPay"), "program");
}

INSTANTIATE_TEST_SUITE_P(CopyDir, CopyDirSourceSpelling,
                         ::testing::Values(SourceSpellingCase{"TrailingSlash", "Shop/Pay/"},
                                           SourceSpellingCase{"TrailingDot", "Shop/Pay/."},
                                           SourceSpellingCase{"ClimbingBackOutOfASubfolder",
                                                              "Shop/Pay/Config/.."}),
                         [](const auto& info) { return std::string(info.param.name); });

// As root, the backup of a cashier's set-user-ID program must not become root's.
TEST(CopyDir, SetIdBitsGoWhenTheCopyBelongsToAnotherOwner) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root copies another user's files as their owner's";
    }
    TestFolder root;
    for (const char* name : {"theirs", "roots"}) {
        const std::string file = root.File(std::string("Shop/Pay/") + name);
        WriteBytes(file, "#!/bin/sh\n");
        ASSERT_EQ(::chown(file.c_str(), *name == 't' ? 65534 : 0, 0), 0);
        ASSERT_EQ(::chmod(file.c_str(), 06755), 0);  // after the owner, which drops the bits
    }
    fs::create_directories(root.File("bak"));
    CopyDir(root.File("Shop/Pay"), root.File("bak"));
    EXPECT_EQ(fs::status(root.File("bak/Pay/theirs")).permissions(), fs::perms(0755));
    EXPECT_EQ(fs::status(root.File("bak/Pay/roots")).permissions(), fs::perms(06755));
}

// A shop whose mask keeps others out finds its backup no more open than anything else it makes.
TEST(CopyDir, CopyKeepsItsFilesModesLessTheMask) {
    TestFolder root;
    const std::map<std::string, fs::perms> files = {
        {"VelPay", fs::perms(0755)}, {"Log/log.txt", fs::perms(0664)}, {"key", fs::perms(0400)}};
    for (const auto& [name, mode] : files) {
        root.Write("Shop/Pay/" + name, "x");
        fs::permissions(root.File("Shop/Pay/" + name), mode);
    }
    fs::create_directories(root.File("bak"));
    const FileModeMaskGuard mask(027);
    CopyDir(root.File("Shop/Pay"), root.File("bak"));
    const std::map<std::string, fs::perms> copies = {{"", fs::perms(0750)},
                                                     {"Log", fs::perms(0750)},
                                                     {"VelPay", fs::perms(0750)},
                                                     {"Log/log.txt", fs::perms(0640)},
                                                     {"key", fs::perms(0400)}};
    for (const auto& [name, mode] : copies) {
        EXPECT_EQ(fs::status(root.File("bak/Pay/" + name)).permissions(), mode) << name;
    }
}

// Where a backup is made: a disk with room, one that fills on the way, or one where the older
// copy is a mount point, which no rename moves.
enum class Disk { Roomy, FileSizeLimit, SmallFileSystem, OlderCopyMounted };

// What a backup killed on the way left beside the older copy: its hidden staging folder with a
// half copy (and one of another folder's backup), or with the older copy stepped aside into it.
enum class Killed { No, MidCopy, BetweenRenames };

// Every entry under folder, hidden ones too, sorted: "name/" for a folder, "name->target" for a
// link, "name=bytes" for a file (its size for a large one).
std::string Listing(const fs::path& folder) {
    std::vector<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        if (entry.is_symlink()) {
            entries.push_back(name + "->" + fs::read_symlink(entry.path()).string());
        } else if (entry.is_directory()) {
            entries.push_back(name + "/");
        } else {
            const std::string bytes = ReadBytes(entry.path());
            entries.push_back(
                name + "=" + (bytes.size() > 64 ? std::to_string(bytes.size()) + " bytes" : bytes));
        }
    }
    std::sort(entries.begin(), entries.end());
    std::string text;
    for (const auto& entry : entries) {
        text += (text.empty() ? "" : "; ") + entry;
    }
    return text;
}

// A backup folder holding an older copy of the program folder and a file of someone else's,
// backed up into again.
struct BackupCase {
    const char* name;
    const char* source;  // under the test folder; empty: no source set
    Disk disk;
    const char* outcome;  // "copied" or "raised", then the backup folder's listing
    Killed killed = Killed::No;
};

constexpr const char* kUntouched =
    "raised: Pay/; Pay/VelPay=old client; Pay/stale.txt=stale; notes.txt=keep";

class CopyDirBackup : public ::testing::TestWithParam<BackupCase> {};

TEST_P(CopyDirBackup, ReplacesOnlyTheOlderCopyAndOnlyByAWholeOne) {
    const BackupCase& c = GetParam();
    TestFolder root;
    root.Write("Shop/Pay/VelPay", "new client");
    root.Write("Shop/Pay/Config/Config.ini", "[a]");
    fs::create_directory_symlink(root.File("Shop/Pay"), root.File("Shop/Current"));
    root.Write("Shop/file.txt", "not a folder");
    root.Write("Large/Pay/VelPay", std::string(512 * 1024, 'p'));
    const std::string bak = root.File("bak");
    const std::string older =
        bak + (c.killed == Killed::BetweenRenames ? "/.Pay.copy~k1ll3d/old" : "/Pay");
    fs::create_directories(c.disk == Disk::OlderCopyMounted ? older : bak);

    auto backUp = [&] {
        WriteBytes(older + "/VelPay", "old client");
        WriteBytes(older + "/stale.txt", "stale");
        WriteBytes(bak + "/notes.txt", "keep");
        if (c.killed == Killed::MidCopy) {
            WriteBytes(bak + "/.Pay.copy~k1ll3d/new/VelPay", "new cl");
            WriteBytes(bak + "/.Current.copy~x1y2z3/new/VelPay", "new cl");
            WriteBytes(bak + "/.Pay.copy-backup/VelPay", "the shop's own");
        }
        std::string outcome = "copied: ";
        try {
            CopyDir(*c.source ? root.File(c.source) : "", bak);
        } catch (const std::exception&) {
            outcome = "raised: ";
        }
        return outcome + Listing(bak);
    };
    std::optional<std::string> outcome;
    switch (c.disk) {
        case Disk::Roomy:
            outcome = backUp();
            break;
        case Disk::FileSizeLimit: {
            FileSizeLimit nearlyFull(64 * 1024);
            outcome = backUp();
            break;
        }
        case Disk::SmallFileSystem:
        case Disk::OlderCopyMounted:
            outcome = OnSmallFileSystem(c.disk == Disk::SmallFileSystem ? bak : older, 256 * 1024,
                                        backUp);
            if (!outcome) {
                GTEST_SKIP() << "no private mount on this machine";
            }
            break;
    }
    EXPECT_EQ(*outcome, c.outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, CopyDirBackup,
    ::testing::Values(
        BackupCase{"OlderCopyReplacedTheRestKept", "Shop/Pay", Disk::Roomy,
                   "copied: Pay/; Pay/Config/; Pay/Config/Config.ini=[a]; Pay/VelPay=new client; "
                   "notes.txt=keep"},
        BackupCase{"LinkCopiedAsTheFolderItLeadsTo", "Shop/Current", Disk::Roomy,
                   "copied: Current/; Current/Config/; Current/Config/Config.ini=[a]; "
                   "Current/VelPay=new client; Pay/; Pay/VelPay=old client; Pay/stale.txt=stale; "
                   "notes.txt=keep"},
        BackupCase{"EmptySource", "", Disk::Roomy, kUntouched},
        BackupCase{"MissingSource", "Shop/missing", Disk::Roomy, kUntouched},
        BackupCase{"SourceIsAFile", "Shop/file.txt", Disk::Roomy, kUntouched},
        BackupCase{"CutShortByAFileSizeLimit", "Large/Pay", Disk::FileSizeLimit, kUntouched},
        BackupCase{"CutShortByAFullFileSystem", "Large/Pay", Disk::SmallFileSystem, kUntouched},
        BackupCase{"SwapRefused", "Shop/Pay", Disk::OlderCopyMounted, kUntouched},
        BackupCase{"RunAgainAfterAKillMidCopy", "Shop/Pay", Disk::Roomy,
                   "copied: .Current.copy~x1y2z3/; .Current.copy~x1y2z3/new/; "
                   ".Current.copy~x1y2z3/new/VelPay=new cl; .Pay.copy-backup/; "
                   ".Pay.copy-backup/VelPay=the shop's own; Pay/; Pay/Config/; "
                   "Pay/Config/Config.ini=[a]; Pay/VelPay=new client; notes.txt=keep",
                   Killed::MidCopy},
        BackupCase{"RunAgainAfterAKillBetweenRenames", "Shop/Pay", Disk::Roomy,
                   "copied: Pay/; Pay/Config/; Pay/Config/Config.ini=[a]; Pay/VelPay=new client; "
                   "notes.txt=keep",
                   Killed::BetweenRenames},
        BackupCase{"CutShortAfterAKillBetweenRenames", "Large/Pay", Disk::FileSizeLimit, kUntouched,
                   Killed::BetweenRenames},
        // The older copy a killed run left aside cannot go back: it stays where it is.
        BackupCase{"PutBackRefusedAfterAKillBetweenRenames", "Shop/Pay", Disk::OlderCopyMounted,
                   "copied: .Pay.copy~k1ll3d/; .Pay.copy~k1ll3d/old/; "
                   ".Pay.copy~k1ll3d/old/VelPay=old client; .Pay.copy~k1ll3d/old/stale.txt=stale; "
                   "Pay/; Pay/Config/; Pay/Config/Config.ini=[a]; Pay/VelPay=new client; "
                   "notes.txt=keep",
                   Killed::BetweenRenames}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
