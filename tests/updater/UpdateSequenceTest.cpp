#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>

#include <filesystem>
#include <functional>

#include "FormUpdate.h"
#include "QzErrors.h"
#include "QzFormRunner.h"
#include "ScriptedOperations.h"
#include "TestFolder.h"
#include "TextCodec.h"
#include "UpdateLogLines.h"
#include "UpdaterGlobal.h"
#include "UpdaterMain.h"

using platform::Variant;

namespace {

const std::vector<std::string> kPrepare = {"正在准备更新...", "开始检测版本信息..."};
const std::vector<std::string> kDeleteTmp = {"开始删除临时文件...", "临时文件删除完毕!"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// The lines up to the check's success, then the download, unpacking and stop lines.
const std::vector<std::string> kUpToStopped = {
    "正在准备更新...",       "开始检测版本信息...", "检测到新版本1.0.6!",
    "开始下载新版本文件...", "新版本文件下载完毕!", "开始解压缩下载文件...",
    "解压缩下载文件完毕!",   "开始关闭当前程序...", "关闭当前程序完毕!"};

// One update run in a fresh folder: the updater's folder is the test folder, the installed
// program lies in its "pay" folder and is backed up into "bak".
class UpdateRun : public ::testing::Test {
protected:
    void SetUp() override {
        UpdateSet = {"1.0.5", "http://127.0.0.1:9/download/Update.txt"};
        RunTypeSet = {1, "/opt/velpay/VelPay,Till 1"};
        RunCommandLine = {"/opt/velpay/VelPay", {}};
        BackUpSet = {dir.Path() + "pay", dir.Path() + "bak"};
        UpdateSetEx = {};
        UpdaterTitle = "升级程序";
        AutoMode = false;
        dir.Write("pay/VelPay", "old client");
        auto scripted = std::make_unique<ScriptedOperations>();
        ops = scripted.get();
        calls = ops->Calls;
        versionFile = ops->VersionFile;
        form = std::make_unique<TForm_Main>(nullptr, dir.Path(), std::move(scripted),
                                            TStatusPace{0, 0});
    }
    void TearDown() override {
        AutoMode = false;
        form.reset();
    }

    // Runs the update and frees the window, which writes Update.log.
    void Run() {
        form->StartUpdate(Variant(), result);
        allSteps = form->findChild<QProgressBar*>("PBAll")->value();
        nowPosition = form->findChild<QProgressBar*>("PBNow")->value();
        caption = form->windowTitle().toStdString();
        form.reset();
    }

    // Update.log's status texts, each line checked for its time stamp and CR LF end.
    std::vector<std::string> LoggedLines() const {
        const std::string bytes = dir.Read("Update.log");
        static const QRegularExpression stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  )");
        for (const std::string& line : UpdateLogLines(bytes)) {
            EXPECT_TRUE(stamp.match(QString::fromStdString(line)).hasMatch()) << line;
        }
        EXPECT_TRUE(bytes.empty() || bytes.ends_with("\r\n")) << "the last line ends with CR LF";
        return UpdateLogTexts(bytes);
    }

    TestFolder dir;
    // Owned by the window: only while it lives.
    ScriptedOperations* ops = nullptr;
    std::shared_ptr<std::vector<std::string>> calls;
    std::string versionFile;
    std::unique_ptr<TForm_Main> form;
    Variant result;
    int allSteps = -1;
    int nowPosition = -1;
    std::string caption;
};

TEST_F(UpdateRun, WindowIsAFixedDialogThatOffersNoWayToCloseIt) {
    EXPECT_EQ(form->size(), QSize(406, 121));
    EXPECT_EQ(form->windowTitle().toStdString(), "升级程序");
    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    auto* panel = form->findChild<QLabel*>("PanelInfo");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), QRect(64, 16, 329, 33));
    EXPECT_EQ(panel->text().toStdString(), "正在准备更新...");
    EXPECT_EQ(form->findChild<QProgressBar*>("PBAll")->geometry(), QRect(64, 96, 329, 16));
}

TEST_F(UpdateRun, FullSuccessRunsEveryStepInOrder) {
    Run();
    EXPECT_EQ(LoggedLines(), kUpdateSuccessLines);
    EXPECT_EQ(result, Variant(true));
    EXPECT_EQ(allSteps, 16);
    EXPECT_EQ(UpdateSet.Ver, "1.0.6");
    EXPECT_EQ(caption, "升级程序  正在从版本1.0.5升级到1.0.6");
    const std::string temp = dir.Path() + "temp";
    EXPECT_EQ(*calls, (std::vector<std::string>{
                          "HttpGetToMemory(http://127.0.0.1:9/download/Update.txt)",
                          "DeleteDir(" + temp + ")",
                          "EnsureDir(" + temp + ")",
                          "DownLoadFile(http://127.0.0.1:9/download/VelPay_1.0.6.zip," + temp +
                              "/VelPay_1.0.6.zip)",
                          "UnZipFiles(" + temp + "/VelPay_1.0.6.zip," + temp + ")",
                          "CloseProgramWindow(Till 1)",
                          "EnsureDir(" + dir.Path() + "bak)",
                          "CopyDir(" + dir.Path() + "pay," + dir.Path() + "bak)",
                          "RunSetupProgram(" + temp + ",setup.sh)",
                          "RunProgram(/opt/velpay/VelPay,Till 1)",
                          "DeleteDir(" + temp + ")",
                      }));
    EXPECT_EQ(dir.Read("bak/pay/VelPay"), "old client");
    EXPECT_FALSE(std::filesystem::exists(dir.File("temp")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("verex.ini")));
}

TEST_F(UpdateRun, VersionFileIsKeptUnchangedWhileTheUpdateRuns) {
    std::string seen;
    ops->Download = [&](const std::string&, const std::string&, TTransferEvents&,
                        const TShowStatus&) {
        seen = dir.Read("verex.ini");
        return false;
    };
    Run();
    EXPECT_EQ(seen, versionFile);
    EXPECT_FALSE(std::filesystem::exists(dir.File("verex.ini")));
}

TEST_F(UpdateRun, AutoModeShowsTheWindowOnlyOnceANewVersionIsFound) {
    AutoMode = true;
    bool visibleWhileChecking = true;
    bool visibleWhileDownloading = false;
    auto check = ops->HttpGet;
    ops->HttpGet = [&](const std::string& url, TTransferEvents& events) {
        visibleWhileChecking = form->isVisible();
        return check(url, events);
    };
    ops->Download = [&](const std::string&, const std::string&, TTransferEvents&,
                        const TShowStatus&) {
        visibleWhileDownloading = form->isVisible();
        return false;
    };
    Run();
    EXPECT_FALSE(visibleWhileChecking);
    EXPECT_TRUE(visibleWhileDownloading);
}

TEST_F(UpdateRun, AutoModeWithTheSameVersionNeverShowsTheWindowAndStillLogs) {
    AutoMode = true;
    UpdateSet.Ver = "1.0.6";
    bool everVisible = false;
    auto check = ops->HttpGet;
    ops->HttpGet = [&](const std::string& url, TTransferEvents& events) {
        everVisible = form->isVisible();
        return check(url, events);
    };
    Run();
    EXPECT_FALSE(everVisible);
    EXPECT_EQ(LoggedLines(), Join({kPrepare, {"本机版本已经是最新版本,不需要更新!"}, kDeleteTmp}));
    EXPECT_EQ(result, Variant(false));
    EXPECT_EQ(caption, "升级程序");
}

TEST_F(UpdateRun, UpdateLogIsRewrittenWhole) {
    dir.Write("Update.log", std::string(10000, 'x'));
    UpdateSet.Ver = "1.0.6";
    Run();
    EXPECT_EQ(LoggedLines().size(), 5u);
}

TEST_F(UpdateRun, RunnerFreesTheWindowAndWritesTheLogBeforeItReturns) {
    form.reset();
    UpdateSet.Ver = "1.0.6";
    const std::string folder = dir.Path();
    RegisterClass("TForm_Main", [folder](QWidget* owner) {
        return std::make_unique<TForm_Main>(owner, folder, std::make_unique<ScriptedOperations>(),
                                            TStatusPace{0, 0});
    });
    RunUpdate();
    UnregisterUpdaterForm();
    EXPECT_EQ(LoggedLines().size(), 5u);
}

// How a failing step ends the update: its own lines, then the clean-up, then the end.
struct FailureCase {
    const char* name;
    std::function<void(UpdateRun&, ScriptedOperations&)> arrange;
    std::vector<std::string> lines;
    std::string verAfter;  // UpdateSet.Ver once the update has ended
};

class UpdateFailure : public UpdateRun, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(UpdateFailure, EndsWithItsLineAndTheCleanUp) {
    GetParam().arrange(*this, *ops);
    Run();
    EXPECT_EQ(LoggedLines(), GetParam().lines);
    EXPECT_EQ(result, Variant(false));
    EXPECT_EQ(UpdateSet.Ver, GetParam().verAfter);
    EXPECT_FALSE(std::filesystem::exists(dir.File("temp")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("verex.ini")));
}

std::string Failing(const std::string& message) {
    throw Exception(message);
}

void SetupProgramMissing(const std::string&, const std::string&) {
    Failing("no setup.sh in the package");
}

INSTANTIATE_TEST_SUITE_P(
    Steps, UpdateFailure,
    ::testing::Values(FailureCase{"SameVersion",
                                  [](UpdateRun&, ScriptedOperations&) { UpdateSet.Ver = "1.0.6"; },
                                  Join({kPrepare,
                                        {"本机版本已经是最新版本,不需要更新!"},
                                        kDeleteTmp}),
                                  "1.0.6"},
                      FailureCase{
                          "NoVersionServer",
                          [](UpdateRun&, ScriptedOperations& ops) {
                              ops.HttpGet = [](const std::string&, TTransferEvents&) {
                                  return Failing("Couldn't connect to server");
                              };
                          },
                          Join({{"正在准备更新...", "版本检测出现异常:Couldn't connect to server!"},
                                kDeleteTmp}),
                          "1.0.5"},
                      FailureCase{"VersionMissingOnBothSides",
                                  [](UpdateRun&, ScriptedOperations& ops) {
                                      UpdateSet.Ver = "未知版本";
                                      ops.VersionFile =
                                          Gbk("[升级配置]\r\nAddress=http://x/p.zip\r\n");
                                  },
                                  Join({kPrepare,
                                        {"版本检测出现异常:The version file names no Ver!"},
                                        kDeleteTmp}),
                                  "未知版本"},
                      FailureCase{"VersionEmpty",
                                  [](UpdateRun&, ScriptedOperations& ops) {
                                      ops.VersionFile =
                                          Gbk("[升级配置]\r\nVer= \r\nAddress=http://x/p.zip\r\n");
                                  },
                                  Join({kPrepare,
                                        {"版本检测出现异常:The version file names no Ver!"},
                                        kDeleteTmp}),
                                  "1.0.5"},
                      FailureCase{
                          "UnknownSchemeOfThePackage",
                          [](UpdateRun&, ScriptedOperations& ops) {
                              ops.Download = [](const std::string& url, const std::string&,
                                                TTransferEvents&, const TShowStatus& show) {
                                  show("下载文件失败,不可识别的服务器地址:" + url + "!");
                                  return false;
                              };
                          },
                          Join({kPrepare,
                                {"检测到新版本1.0.6!",
                                 "下载文件失败,不可识别的服务器地址:http://127.0.0.1:9/download/"
                                 "VelPay_1.0.6.zip!"},
                                kDeleteTmp}),
                          "1.0.5"},
                      FailureCase{"DownloadRaises",
                                  [](UpdateRun&, ScriptedOperations& ops) {
                                      ops.Download = [](const std::string&, const std::string&,
                                                        TTransferEvents& events,
                                                        const TShowStatus&) -> bool {
                                          events.WorkBegin(0);
                                          throw Exception("HTTP/1.0 404 Not Found");
                                      };
                                  },
                                  Join({kPrepare,
                                        {"检测到新版本1.0.6!", "开始下载新版本文件...",
                                         "下载新版本文件出现异常:HTTP/1.0 404 Not Found!"},
                                        kDeleteTmp}),
                                  "1.0.5"},
                      FailureCase{"UnpackingRaises",
                                  [](UpdateRun&, ScriptedOperations& ops) {
                                      ops.Unzip = [](const std::string&, const std::string&,
                                                     TUnzipEvents&) {
                                          throw Exception("Not a zip archive");
                                      };
                                  },
                                  Join({kPrepare,
                                        {"检测到新版本1.0.6!", "开始下载新版本文件...",
                                         "新版本文件下载完毕!",
                                         "解压缩下载文件出现异常:Not a zip archive!"},
                                        kDeleteTmp}),
                                  "1.0.5"},
                      FailureCase{"UnknownRunType",
                                  [](UpdateRun&, ScriptedOperations&) { RunTypeSet.RunType = 3; },
                                  Join({std::vector<std::string>(kUpToStopped.begin(),
                                                                 kUpToStopped.end() - 1),
                                        {"关闭当前程序失败!"},
                                        kDeleteTmp}),
                                  "1.0.5"},
                      FailureCase{
                          "WindowDoesNotClose",
                          [](UpdateRun&, ScriptedOperations& ops) {
                              ops.CloseWindow = [](const std::string&, const TShowStatus& show) {
                                  show("关闭当前程序出现异常,异常信息:window stayed!");
                                  return false;
                              };
                          },
                          Join({std::vector<std::string>(kUpToStopped.begin(),
                                                         kUpToStopped.end() - 1),
                                {"关闭当前程序出现异常,异常信息:window stayed!",
                                 "关闭当前程序失败!"},
                                kDeleteTmp}),
                          "1.0.5"},
                      FailureCase{
                          "BackUpDestMissing",
                          [](UpdateRun&, ScriptedOperations&) { BackUpSet.BackUpDest.clear(); },
                          Join({kUpToStopped,
                                {"开始备份旧版本文件...",
                                 "备份旧版本文件出现异常:Unable to create directory!"},
                                kDeleteTmp}),
                          "1.0.5"},
                      FailureCase{"SetupProgramFails",
                                  [](UpdateRun&,
                                     ScriptedOperations& ops) { ops.Setup = SetupProgramMissing; },
                                  Join({kUpToStopped,
                                        {"开始备份旧版本文件...",
                                         "备份旧版本文件完毕!", "开始安装新版本文件...",
                                         "安装新版本文件出现异常,异常信息:no setup.sh in the "
                                         "package!"},
                                        kDeleteTmp}),
                                  "1.0.5"},
                      FailureCase{"StartingTheNewProgramFails",
                                  [](UpdateRun&, ScriptedOperations& ops) {
                                      ops.Run = [](const std::string&, const std::string&,
                                                   const TShowStatus&) { return false; };
                                  },
                                  Join({kUpToStopped,
                                        {"开始备份旧版本文件...", "备份旧版本文件完毕!",
                                         "开始安装新版本文件...", "安装新版本文件完毕!",
                                         "开始启动新版本程序...", "启动新版本程序失败!"},
                                        kDeleteTmp}),
                                  "1.0.5"},
                      FailureCase{"ServiceAlreadyRunningDoesNotStart",
                                  [](UpdateRun&, ScriptedOperations& ops) {
                                      RunTypeSet = {2, "velpay"};
                                      ops.StartService = [](const std::string&) { return false; };
                                  },
                                  Join({kUpToStopped,
                                        {"开始备份旧版本文件...", "备份旧版本文件完毕!",
                                         "开始安装新版本文件...", "安装新版本文件完毕!",
                                         "开始启动新版本程序...", "启动新版本程序失败!"},
                                        kDeleteTmp}),
                                  "1.0.5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateRun, ServerVersionLowerThanTheInstalledOneStillUpdates) {
    UpdateSet.Ver = "2.0.0";
    Run();
    EXPECT_EQ(result, Variant(true));
    EXPECT_EQ(UpdateSet.Ver, "1.0.6");
}

TEST_F(UpdateRun, ServiceIsStoppedAndStartedByItsName) {
    RunTypeSet = {2, "velpay"};
    Run();
    EXPECT_EQ(result, Variant(true));
    EXPECT_NE(std::find(calls->begin(), calls->end(), "StopServiceByName(velpay)"), calls->end());
    EXPECT_NE(std::find(calls->begin(), calls->end(), "StartServiceByName(velpay)"), calls->end());
}

TEST_F(UpdateRun, FailedStartLeavesTheCurrentBarAtEight) {
    ops->Run = [](const std::string&, const std::string&, const TShowStatus&) { return false; };
    form->StartNew(Variant(), result);
    EXPECT_EQ(result, Variant(false));
    EXPECT_EQ(form->findChild<QProgressBar*>("PBNow")->value(), 8);
    EXPECT_EQ(form->findChild<QProgressBar*>("PBAll")->value(), 0);
}

TEST_F(UpdateRun, BackupFolderOverlappingTheProgramFolderIsRefused) {
    for (const std::string& dest :
         {dir.Path() + "pay", dir.Path() + "pay/", dir.Path(), dir.Path() + "pay/bak"}) {
        BackUpSet.BackUpDest = dest;
        form->BackUpOld(Variant(), result);
        EXPECT_EQ(result, Variant(false)) << dest;
        EXPECT_EQ(dir.Read("pay/VelPay"), "old client") << dest;
    }
}

// A program folder that holds nothing to back up: the step fails before it touches the backup.
struct RefusedSourceCase {
    const char* name;
    const char* source;  // under the test folder; nullptr: the setting is empty
    const char* reason;  // how the step's error line ends, before its "!"
};

class BackUpRefused : public UpdateRun, public ::testing::WithParamInterface<RefusedSourceCase> {};

TEST_P(BackUpRefused, FailsTheStepAndKeepsTheOldBackup) {
    dir.Write("bak/pay/VelPay", "older client");
    dir.Write("bak/notes.txt", "keep");
    dir.Write("file.txt", "not a folder");
    std::filesystem::create_directory(dir.File("nothing"));
    BackUpSet.BackUpSrc = GetParam().source ? dir.File(GetParam().source) : "";
    form->BackUpOld(Variant(), result);
    form.reset();
    EXPECT_EQ(result, Variant(false));
    const auto lines = LoggedLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "开始备份旧版本文件...");
    EXPECT_TRUE(lines[1].starts_with("备份旧版本文件出现异常:")) << lines[1];
    EXPECT_TRUE(lines[1].ends_with(std::string(GetParam().reason) + "!")) << lines[1];
    EXPECT_EQ(dir.Read("bak/pay/VelPay"), "older client");
    EXPECT_EQ(dir.Read("bak/notes.txt"), "keep");
}

INSTANTIATE_TEST_SUITE_P(
    Sources, BackUpRefused,
    ::testing::Values(RefusedSourceCase{"EmptyBackUpSrc", nullptr, "is not set"},
                      RefusedSourceCase{"MissingBackUpSrc", "missing", "does not exist"},
                      RefusedSourceCase{"BackUpSrcIsAFile", "file.txt", "is not a folder"},
                      RefusedSourceCase{"BackUpSrcIsAnEmptyFolder", "nothing", "is empty"}),
    [](const auto& info) { return std::string(info.param.name); });

// How the overall bar's budget of 16 is spent: two for each step, the three transfers' two
// each at their midpoint and end.
struct ProgressCase {
    const char* name;
    int64_t total;
    int64_t expected;
    int64_t chunk;
    int allSteps;  // after a check that found the same version
};

class VersionTransferProgress : public UpdateRun,
                                public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(VersionTransferProgress, StepsTheOverallBar) {
    const ProgressCase& c = GetParam();
    UpdateSet.Ver = "1.0.6";
    ops->HttpGet = [&](const std::string&, TTransferEvents& events) {
        ReportTransfer(events, c.total, c.expected, c.chunk);
        return versionFile;
    };
    Run();
    EXPECT_EQ(allSteps, c.allSteps);
}

INSTANTIATE_TEST_SUITE_P(Transfers, VersionTransferProgress,
                         ::testing::Values(ProgressCase{"MidpointHit", 100, 100, 25, 2 + 2},
                                           ProgressCase{"MidpointMissed", 101, 101, 25, 1 + 2},
                                           ProgressCase{"NoExpectedTotalGivesOnlyTheEnd", 100, 0,
                                                        25, 1 + 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateRun, ExtractionReportingHalfwayTwiceStepsOnce) {
    ops->HttpGet = [&](const std::string&, TTransferEvents& events) {
        ReportTransfer(events, 100, 100, 50);
        return versionFile;
    };
    ops->Unzip = [](const std::string&, const std::string&, TUnzipEvents& events) {
        events.StartUnZipInfo();
        for (int percent : {50, 50, 100}) {
            events.TotalPercentDone(percent);
        }
        events.UnZipComplete();
    };
    int before = -1;
    ops->CloseWindow = [&](const std::string&, const TShowStatus&) {
        before = form->findChild<QProgressBar*>("PBAll")->value();
        return false;
    };
    Run();
    // The version file and the package: two each; the extraction: two.
    EXPECT_EQ(before, 6);
}

TEST_F(UpdateRun, LargeTransferKeepsTheCurrentBarInRange) {
    const int64_t total = int64_t(6) << 30;
    ops->Download = [&](const std::string&, const std::string&, TTransferEvents& events,
                        const TShowStatus&) {
        events.WorkBegin(total);
        events.Work(total / 2);
        auto* bar = form->findChild<QProgressBar*>("PBNow");
        EXPECT_EQ(bar->value() * 2, bar->maximum());
        events.Work(total);
        events.WorkEnd();
        return false;
    };
    Run();
}

}  // namespace
