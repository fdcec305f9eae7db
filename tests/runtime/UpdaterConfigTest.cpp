#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "Process.h"
#include "QzErrors.h"
#include "QzRuntimeGlobal.h"
#include "QzUpdaterConfig.h"
#include "TestFolder.h"
#include "TextCodec.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUrl = "http://pay.example.com/download/Update.txt";

// The file as the updater ships it: its four sections, every key the client sets.
const char* const kShipped =
    "[升级配置]\r\nVer=1.0.4\r\nAddress=http://old.example.com/download/Update.txt\r\n"
    "[主程序]\r\nRunType=2\r\nRunName=\r\n"
    "[备份]\r\nBackUpSrc=\r\nBackUpDest=\r\n"
    "[其它]\r\nTitle=Orv智能升级程序\r\n";

// A client installed in <folder>/pay/ with its updater in <folder>/update/.
class UpdaterConfig : public ::testing::Test {
protected:
    void SetUp() override {
        savedSystemSet_ = SystemSet;
        savedAppTitle_ = AppTitle;
        AppPath = dir_.File("pay/");
        SystemSet.UpdatePath = ComputeUpdatePath(AppPath);
        AppTitle = "海川微信支付收银系统1.0.5[VelPay]";
        fs::create_directories(dir_.File("pay"));
        fs::create_directories(dir_.File("update"));
    }
    void TearDown() override {
        SystemSet = savedSystemSet_;
        AppTitle = savedAppTitle_;
    }

    void Ship(const std::string& bytes) { dir_.Write("update/Config.ini", bytes); }
    std::string Saved() const { return dir_.Read("update/Config.ini"); }
    std::string FileName() const { return dir_.File("update/Config.ini"); }

    // The line the client writes for key, in code page 936.
    std::string Written(const std::string& key) const {
        const std::string program = fs::path(platform::ProgramPath()).filename().string();
        const std::pair<const char*, std::string> lines[] = {
            {"ver", "ver=1.0.5"},
            {"address", std::string("address=") + kUrl},
            {"RunType", "RunType=1"},
            {"RunName", "RunName=" + dir_.File("pay/") + program + "," + AppTitle},
            {"BackUpSrc", "BackUpSrc=" + dir_.File("pay")},
            {"BackUpDest", "BackUpDest=" + dir_.File("bak")},
            {"Title", "Title=海川微信支付收银系统智能升级程序"},
        };
        for (const auto& [name, line] : lines) {
            if (key == name) {
                return Gbk(line);
            }
        }
        ADD_FAILURE() << "no key " << key;
        return {};
    }
    // The text with every "@key" line end to end replaced by the line written for key.
    std::string Expand(const std::string& utf8) const {
        std::string out;
        size_t start = 0;
        while (start < utf8.size()) {
            size_t end = utf8.find("\r\n", start);
            std::string line = utf8.substr(start, end - start);
            out += line.starts_with("@") ? Written(line.substr(1)) : Gbk(line);
            out += "\r\n";
            start = end + 2;
        }
        return out;
    }
    // What WriteUpdaterConfig raised; "" when it did not.
    static std::string Failure() {
        try {
            WriteUpdaterConfig("1.0.5", kUrl);
        } catch (const EInOutError& e) {
            return e.what();
        }
        return {};
    }

    TestFolder dir_;

private:
    TSystemSet savedSystemSet_;
    std::string savedAppTitle_;
};

}  // namespace

TEST_F(UpdaterConfig, TheSevenValuesDescribeThisClient) {
    Ship(Gbk(kShipped));
    WriteUpdaterConfig("1.0.5", kUrl);
    EXPECT_EQ(platform::GbkToUtf8(Saved()),
              "[升级配置]\r\nver=1.0.5\r\naddress=http://pay.example.com/download/Update.txt\r\n"
              "[主程序]\r\nRunType=1\r\nRunName=" +
                  dir_.Path() + "pay/runtime_tests,海川微信支付收银系统1.0.5[VelPay]\r\n" +
                  "[备份]\r\nBackUpSrc=" + dir_.Path() + "pay\r\nBackUpDest=" + dir_.Path() +
                  "bak\r\n[其它]\r\nTitle=海川微信支付收银系统智能升级程序\r\n");
}

struct Placement {
    const char* name;
    const char* shipped;   // UTF-8, stored in code page 936
    const char* expected;  // UTF-8 with CR LF; a line "@key" is the line written for key
};

class UpdaterConfigPlacement : public UpdaterConfig,
                               public ::testing::WithParamInterface<Placement> {};

TEST_P(UpdaterConfigPlacement, LinesAreReplacedInPlaceOrAppended) {
    Ship(Gbk(GetParam().shipped));
    WriteUpdaterConfig("1.0.5", kUrl);
    EXPECT_EQ(platform::GbkToUtf8(Saved()), platform::GbkToUtf8(Expand(GetParam().expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UpdaterConfigPlacement,
    ::testing::Values(
        Placement{"VersionLineKeepsItsPlace", "[升级配置]\r\nVer=1.0.3\r\nNote=x\r\n",
                  "[升级配置]\r\n@ver\r\nNote=x\r\n@address\r\n@RunType\r\n@RunName\r\n"
                  "@BackUpSrc\r\n@BackUpDest\r\n@Title\r\n"},
        Placement{"MissingTitleGoesLastInsideTheLastSection",
                  "[升级配置]\r\nVer=1\r\nAddress=\r\n[主程序]\r\nRunType=1\r\nRunName=\r\n"
                  "[备份]\r\nBackUpSrc=\r\nBackUpDest=\r\n[其它]\r\nNote=x\r\n",
                  "[升级配置]\r\n@ver\r\n@address\r\n[主程序]\r\n@RunType\r\n@RunName\r\n"
                  "[备份]\r\n@BackUpSrc\r\n@BackUpDest\r\n[其它]\r\nNote=x\r\n@Title\r\n"},
        Placement{"BlanksAroundTheEqualsSignMakeAnotherName",
                  "Ver = 1.0.3\r\n ver=1\r\nver =2\r\nver\r\n",
                  "Ver = 1.0.3\r\n ver=1\r\nver =2\r\nver\r\n@ver\r\n@address\r\n@RunType\r\n"
                  "@RunName\r\n@BackUpSrc\r\n@BackUpDest\r\n@Title\r\n"},
        Placement{"OnlyTheWholeNameCounts", "version=2\r\nve=1\r\n=ver\r\nTitles=x\r\n",
                  "version=2\r\nve=1\r\n=ver\r\nTitles=x\r\n@ver\r\n@address\r\n@RunType\r\n"
                  "@RunName\r\n@BackUpSrc\r\n@BackUpDest\r\n@Title\r\n"},
        Placement{"LetterCaseOfTheNameIsIgnored",
                  "VER=1\r\nADDRESS=a\r\nruntype=2\r\nRUNNAME=b\r\nbackupsrc=c\r\n"
                  "BackupDest=d\r\nTITLE=e\r\n",
                  "@ver\r\n@address\r\n@RunType\r\n@RunName\r\n@BackUpSrc\r\n@BackUpDest\r\n"
                  "@Title\r\n"},
        Placement{"FirstMatchAnywhereIsReplacedWhateverItsSection",
                  "[说明]\r\nTitle=窗口标题见下\r\nver=之后会被改写\r\n[其它]\r\nTitle=Orv\r\n"
                  "Ver=1.0.4\r\n",
                  "[说明]\r\n@Title\r\n@ver\r\n[其它]\r\nTitle=Orv\r\nVer=1.0.4\r\n@address\r\n"
                  "@RunType\r\n@RunName\r\n@BackUpSrc\r\n@BackUpDest\r\n"},
        Placement{"SecondEqualsSignBelongsToTheValue", "RunName=a=b\r\nRunName=x\r\n",
                  "@RunName\r\nRunName=x\r\n@ver\r\n@address\r\n@RunType\r\n@BackUpSrc\r\n"
                  "@BackUpDest\r\n@Title\r\n"},
        Placement{"LineFeedsAloneBecomeCrLf", "[升级配置]\nVer=1\n\nNote=x\n",
                  "[升级配置]\r\n@ver\r\n\r\nNote=x\r\n@address\r\n@RunType\r\n@RunName\r\n"
                  "@BackUpSrc\r\n@BackUpDest\r\n@Title\r\n"},
        Placement{"CarriageReturnsAloneBecomeCrLf", "[升级配置]\rVer=1\r\rNote=x\r",
                  "[升级配置]\r\n@ver\r\n\r\nNote=x\r\n@address\r\n@RunType\r\n@RunName\r\n"
                  "@BackUpSrc\r\n@BackUpDest\r\n@Title\r\n"},
        Placement{"MixedLineEndsAndALastLineWithoutOne", "a\r\nb\n\rc\r\r\nTitle=x",
                  "a\r\nb\r\n\r\nc\r\n\r\n@Title\r\n@ver\r\n@address\r\n@RunType\r\n"
                  "@RunName\r\n@BackUpSrc\r\n@BackUpDest\r\n"},
        Placement{"EmptyFileGetsTheSevenLines", "",
                  "@ver\r\n@address\r\n@RunType\r\n@RunName\r\n@BackUpSrc\r\n@BackUpDest\r\n"
                  "@Title\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdaterConfig, BytesOfOtherLinesAreKeptAsTheyAre) {
    // Code page 936 text, bytes that are no character of it, a NUL and a tab.
    const std::string kept =
        Gbk("[升级配置]") + "\r\n\x81\x30\xFF=\xFE\r\nNo\tte=a" + std::string(1, '\0') + "b\r\n";
    Ship(kept + "Ver=1\r\n");
    WriteUpdaterConfig("1.0.5", kUrl);
    EXPECT_EQ(Saved().substr(0, kept.size()), kept);
    EXPECT_EQ(Saved().substr(kept.size(), 11), "ver=1.0.5\r\n");
}

class UpdaterConfigAddress : public UpdaterConfig,
                             public ::testing::WithParamInterface<const char*> {};

// The updater checks certificates, so an https address must reach it as https.
TEST_P(UpdaterConfigAddress, IsWrittenAsGiven) {
    Ship("Address=old\r\n");
    WriteUpdaterConfig("1.0.5", GetParam());
    EXPECT_EQ(Saved().substr(0, Saved().find("\r\n")), std::string("address=") + GetParam());
}

INSTANTIATE_TEST_SUITE_P(Schemes, UpdaterConfigAddress,
                         ::testing::Values("https://pay.example.com/download/Update.txt",
                                           "HTTPS://PAY.EXAMPLE.COM/download/Update.txt",
                                           "http://pay.example.com/download/Update.txt",
                                           "http://a.example.com/https://b/Update.txt", ""));

TEST_F(UpdaterConfig, AFileThatCannotBeLoadedRaisesTheOpenTextAndNothingIsWritten) {
    const std::string file = FileName();
    EXPECT_EQ(Failure(), "Cannot open file \"" + file + "\". No such file or directory");
    EXPECT_TRUE(fs::is_empty(dir_.File("update")));

    fs::create_directory(file);  // a folder where the file should be
    EXPECT_EQ(Failure(), "Cannot open file \"" + file + "\". Is a directory");
    EXPECT_TRUE(fs::is_empty(file));

    fs::remove(file);
    fs::remove(dir_.File("update"));
    EXPECT_EQ(Failure(), "Cannot open file \"" + file + "\". No such file or directory");
    EXPECT_FALSE(fs::exists(dir_.File("update")));
}

TEST_F(UpdaterConfig, AFolderThatRefusesTheWriteRaisesTheCreateTextAndKeepsTheFile) {
    Ship(Gbk(kShipped));
    fs::permissions(dir_.Path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(dir_.File("update"), fs::perms::owner_read | fs::perms::owner_exec |
                                             fs::perms::group_exec | fs::perms::others_exec);
    // Root writes anywhere: the attempt is made by a child that is the unprivileged user, as
    // the till's own account would be.
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(2);
        }
        const std::string message = Failure();
        _exit(write(pipeFds[1], message.data(), message.size()) ==
                      static_cast<ssize_t>(message.size())
                  ? 0
                  : 3);
    }
    close(pipeFds[1]);
    std::string message;
    char buffer[512];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    fs::permissions(dir_.File("update"), fs::perms::owner_all);
    EXPECT_EQ(message, "Cannot create file \"" + FileName() + "\". Permission denied");
    EXPECT_EQ(Saved(), Gbk(kShipped));
}

TEST_F(UpdaterConfig, AHundredThousandLinesAndAMegabyteLineAreHandled) {
    std::string many;
    for (int i = 0; i < 100000; ++i) {
        many += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    }
    Ship(many + "Title=x\n");
    WriteUpdaterConfig("1.0.5", kUrl);
    std::string saved = Saved();
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 100000 + 7);
    EXPECT_EQ(saved.substr(0, 17), "Key0=0\r\nKey1=1\r\nK");
    EXPECT_NE(saved.find("Key99999=99999\r\n" + Written("Title") + "\r\n" + Written("ver")),
              std::string::npos);

    const std::string wide = "Note=" + std::string(1 << 20, 'x');
    Ship(wide + "\r\nver=1");
    WriteUpdaterConfig("1.0.5", kUrl);
    saved = Saved();
    EXPECT_EQ(saved.substr(0, wide.size() + 13), wide + "\r\nver=1.0.5\r\n");
}
