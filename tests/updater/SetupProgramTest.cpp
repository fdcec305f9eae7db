#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "ChildProcess.h"
#include "PackageUnzip.h"
#include "QzErrors.h"
#include "SetupProgram.h"
#include "TestFolder.h"
#include "ZipBuilder.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// A setup program that runs Before, then notes beside the package folder that it installed.
std::string SetupScript(const std::string& before = "") {
    return "#!/bin/sh\nhere=$(dirname \"$0\")\n" + before + "touch \"$here/../installed\"\n";
}

struct NoEvents : TUnzipEvents {
    void StartUnZipInfo() override {}
    void TotalPercentDone(int) override {}
    void UnZipComplete() override {}
};

// The updater's folder has a blank in its name; the package is unpacked into its "temp", and
// beside that lies a setup program of the same kind that is no part of the package, as does a
// program at the shorter path "up", which somebody else could have made there.
class SetupFromPackage : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* other : {"up date/elsewhere/setup.sh", "up"}) {
            root_.Write(other, SetupScript());
            fs::permissions(root_.File(other), fs::perms::owner_exec, fs::perm_options::add);
        }
        fs::create_directories(Temp());
    }
    std::string Temp() const { return root_.File("up date/temp"); }
    bool Installed() const { return fs::exists(root_.File("up date/installed")); }

    // The package unpacked as the update does it.
    void Unpack(const ZipBuilder& package) {
        package.Write(Temp() + "/p.zip");
        NoEvents events;
        UnZipFiles(Temp() + "/p.zip", Temp(), events);
    }

    // The reason raised; empty when nothing was raised.
    std::string Run(const std::string& setupFile, std::chrono::milliseconds bound = 60s) {
        try {
            RunSetupProgram(Temp(), setupFile, TSetupLimits{bound});
        } catch (const Exception& e) {
            return e.what();
        }
        return "";
    }

    TestFolder root_;
};

struct SetupCase {
    const char* name;
    ZipBuilder package;
    const char* setupFile;
    const char* refusal;  // a part of the reason; empty: it installs
};

class SetupCaseTest : public SetupFromPackage, public ::testing::WithParamInterface<SetupCase> {};

TEST_P(SetupCaseTest, InstallsBeforeItReturnsOrStartsNothing) {
    Unpack(GetParam().package);
    const std::string reason = Run(GetParam().setupFile);
    if (*GetParam().refusal == '\0') {
        EXPECT_EQ(reason, "");
        EXPECT_TRUE(Installed());
    } else {
        EXPECT_NE(reason.find(GetParam().refusal), std::string::npos) << reason;
        EXPECT_FALSE(Installed());
    }
}

ZipBuilder WithSetup(uint32_t mode, const std::string& before = "") {
    return ZipBuilder().File("readme.txt", "1.0.6").File("setup.sh", SetupScript(before), mode);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, SetupCaseTest,
    ::testing::Values(
        SetupCase{"StoredExecutable", WithSetup(0100755), "setup.sh", ""},
        SetupCase{"StoredWithoutExecuteBits", WithSetup(0100644), "setup.sh", ""},
        SetupCase{"StoredWithoutUnixBits", WithSetup(0), "setup.sh", ""},
        SetupCase{"SleepsBeforeItInstalls", WithSetup(0100755, "sleep 2\n"), "setup.sh", ""},
        SetupCase{"ClimbsOutAndBackIn", WithSetup(0100755), "../temp/setup.sh", ""},
        SetupCase{
            "BlankInTheNameAndArguments",
            ZipBuilder().File("setup me.sh", SetupScript("[ \"$1\" = /S ] || exit\n"), 0100755),
            "setup me.sh /S", ""},
        SetupCase{"Missing", ZipBuilder().File("readme.txt", "1.0.6"), "setup.sh",
                  "is not in the package"},
        SetupCase{"FolderInItsPlace", ZipBuilder().Folder("setup.sh/").File("setup.sh/a.txt", "a"),
                  "setup.sh", "is not a file"},
        SetupCase{"ClimbsOut", WithSetup(0100755), "../elsewhere/setup.sh",
                  "lies outside the package"},
        SetupCase{"ClimbsToTheSystem", WithSetup(0100755), "../../../../../../../../bin/sh",
                  "lies outside the package"},
        SetupCase{"Absolute", WithSetup(0100755), "/bin/sh", "lies outside the package"},
        SetupCase{"HoldsAQuote", WithSetup(0100755), "setup.sh\" \"-x", "holds a quote"},
        SetupCase{"Unnamed", WithSetup(0100755), "", "names no setup program"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupFromPackage, StillRunningAtTheBoundIsEndedWithWhatItStarted) {
    Unpack(WithSetup(0100755, "sleep 60 &\necho $! > \"$here/../sleeper\"\nwait\n"));
    const std::string reason = Run("setup.sh", 1s);
    EXPECT_NE(reason.find("was still running 1 s after its start"), std::string::npos) << reason;
    EXPECT_FALSE(Installed());
    const pid_t sleeper = std::stoi(root_.Read("up date/sleeper"));
    EXPECT_TRUE(WaitUntil([&] { return ProcessEnded(sleeper); }, 5000));
}

}  // namespace
