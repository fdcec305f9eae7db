#include "FormUpdate.h"

#include <QApplication>
#include <QDateTime>
#include <QFont>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <climits>
#include <exception>
#include <filesystem>
#include <functional>

#include "Application.h"
#include "JpegImage.h"
#include "Process.h"
#include "QzErrors.h"
#include "TextCodec.h"
#include "UpdateUrl.h"
#include "UpdaterGlobal.h"
#include "WholeFile.h"

using namespace platform;

namespace {

constexpr int kAllSteps = 16;
constexpr int kLocalSteps = 16;

std::string NowText() {
    return QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString();
}

QFont PixelFont(const char* family, int pixels) {
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(pixels);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int x, int y) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(name);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QProgressBar* MakeBar(QWidget* parent, const char* name, int x, int y) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setGeometry(x, y, 329, 16);
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    return bar;
}

void SetBarPosition(QProgressBar* bar, int64_t position) {
    // A bar keeps its position inside its range, as the system's bars do, instead of refusing
    // a value beyond it.
    bar->setValue(static_cast<int>(std::clamp<int64_t>(position, bar->minimum(), bar->maximum())));
}

std::string ArchiveName() {
    std::string name;
    GetUrlFileName(UpdateSetEx.Address, name);
    return name;
}

std::filesystem::path Normalised(const std::string& folder) {
    std::error_code ec;
    auto path = std::filesystem::weakly_canonical(std::filesystem::absolute(folder, ec), ec);
    path = path.lexically_normal();
    // "/shop/pay/" and "/shop/pay" are one folder.
    return path.has_filename() ? path : path.parent_path();
}

bool IsSameOrInside(const std::filesystem::path& inner, const std::filesystem::path& outer) {
    auto [o, i] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return o == outer.end();
}

// A backup of nothing would take the place of the last good one: the program folder must be a
// folder with something in it (a link to one serves). The backup must never land in the program
// being backed up, nor the copy inside what it copies.
void CheckBackUpFolders(const std::string& source, const std::string& dest) {
    if (source.empty()) {
        throw Exception("The program folder to back up is not set");
    }
    std::error_code ec;
    const auto status = std::filesystem::status(source, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        throw Exception("Program folder " + source + " does not exist");
    }
    if (ec) {
        throw Exception("Program folder " + source + " cannot be read: " + ec.message());
    }
    if (!std::filesystem::is_directory(status)) {
        throw Exception("Program folder " + source + " is not a folder");
    }
    if (std::filesystem::is_empty(source, ec) && !ec) {
        throw Exception("Program folder " + source + " is empty");
    }
    if (dest.empty()) {
        return;
    }
    auto src = Normalised(source);
    auto dst = Normalised(dest);
    if (IsSameOrInside(src, dst) || IsSameOrInside(dst, src)) {
        throw Exception("Backup folder " + dest + " overlaps the program folder " + source);
    }
}

}  // namespace

TForm_Main::TForm_Main(QWidget* owner)
    : TForm_Main(owner, ProgramFolder(), std::make_unique<TUpdateOperations>(), TStatusPace{}) {}

TForm_Main::TForm_Main(QWidget* owner, std::string exeDir,
                       std::unique_ptr<TUpdateOperations> operations, TStatusPace pace)
    : Form(owner),
      Image1(new QLabel(this)),
      PanelInfo(new QLabel(this)),
      Label1(MakeLabel(this, "Label1", "当前进度", 8, 72)),
      PBNow(MakeBar(this, "PBNow", 64, 72)),
      Label2(MakeLabel(this, "Label2", "总体进度", 8, 96)),
      PBAll(MakeBar(this, "PBAll", 64, 96)),
      operations_(std::move(operations)),
      pace_(pace) {
    setWindowTitle(QString::fromUtf8("智能升级正在进行中..."));
    // A dialog border with nothing to close, minimise or maximise it: the update ends itself.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(406, 121);
    setFont(PixelFont("宋体", 12));

    Image1->setObjectName("Image1");
    Image1->setGeometry(8, 8, 49, 49);
    Image1->setScaledContents(true);
    Image1->setPixmap(QPixmap::fromImage(LoadJpeg(":/assets/icon.jpg")));

    PanelInfo->setObjectName("PanelInfo");
    PanelInfo->setGeometry(64, 16, 329, 33);
    PanelInfo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelInfo->setAlignment(Qt::AlignCenter);
    PanelInfo->setTextFormat(Qt::PlainText);
    PanelInfo->setText(QString::fromUtf8("正在准备更新..."));

    CentreOnScreen();

    // Created: the application and the window take the updater's title.
    Application::SetTitle(UpdaterTitle);
    setWindowTitle(QString::fromStdString(UpdaterTitle));
    ExeDir = std::move(exeDir);
    StatusLog.clear();

    Publish("StartUpdate", [this](const Variant& in, Variant& out) { StartUpdate(in, out); });
}

TForm_Main::~TForm_Main() {
    SaveStatusLog();
}

void TForm_Main::SaveStatusLog() const {
    std::string text;
    for (const std::string& line : StatusLog) {
        text += line + "\r\n";
    }
    // Nothing can be reported any more while the window goes; the log is a record, not a step.
    // Written anew, so that a link planted at its name never receives it.
    WriteFreshFile(ExeDir + "Update.log", Utf8ToGbk(text));
}

void TForm_Main::FormClose(CloseAction& action) {
    action = CloseAction::caFree;
}

void TForm_Main::Pause(int ms) {
    SleepWithMessages(ms);
}

void TForm_Main::ShowStatus() {
    StatusLog.push_back(NowText() + "  " + PendingStatus);
    PanelInfo->setText(QString::fromStdString(PendingStatus));
    repaint();
    QCoreApplication::processEvents();
    Pause(pace_.HoldMs);
    PendingStatus.clear();
}

void TForm_Main::ShowLine(const std::string& line) {
    PendingStatus = line;
    ShowStatus();
}

TShowStatus TForm_Main::StatusShower() {
    return [this](const std::string& line) { ShowLine(line); };
}

void TForm_Main::AskToEnd() {
    // Only a request: no message loop runs after the update, and the form runner frees the
    // window once StartUpdate has returned.
    QCoreApplication::quit();
}

void TForm_Main::StartUpdate(const Variant& in, Variant& out) {
    out = false;
    if (!AutoMode) {
        show();
        BringToFrontWhenShown();
    }
    PBAll->setRange(0, kAllSteps);
    PBAll->setValue(0);
    PBNow->setValue(0);
    ShowLine("正在准备更新...");
    QCoreApplication::processEvents();
    Pause(pace_.ExtraMs);

    Variant result;
    CheckVer(in, result);
    if (!result.AsBool()) {
        DeleteTmp(in, result);
        AskToEnd();
        return;
    }

    if (!isVisible()) {
        show();
        BringToFrontWhenShown();
    }
    setWindowTitle(windowTitle() + QString::fromStdString("  正在从版本" + UpdateSet.Ver +
                                                          "升级到" + UpdateSetEx.Ver));
    QCoreApplication::processEvents();
    Pause(pace_.ExtraMs);

    using Step = void (TForm_Main::*)(const Variant&, Variant&);
    for (Step step : {&TForm_Main::DownLoadFiles, &TForm_Main::UnZipFiles, &TForm_Main::StopOld,
                      &TForm_Main::BackUpOld, &TForm_Main::SetupNew, &TForm_Main::StartNew}) {
        (this->*step)(in, result);
        if (!result.AsBool()) {
            DeleteTmp(in, result);
            AskToEnd();
            return;
        }
    }

    DeleteTmp(in, result);
    if (!result.AsBool()) {
        AskToEnd();
        return;
    }
    if (PBAll->value() < PBAll->maximum()) {
        PBAll->setValue(PBAll->maximum());
    }
    ShowLine("更新成功!");
    QCoreApplication::processEvents();
    Pause(pace_.ExtraMs);
    out = true;
    AskToEnd();
}

void TForm_Main::RunStep(Variant& out, const char* errorPrefix, const std::function<bool()>& work) {
    out = false;
    try {
        out = work();
    } catch (const std::exception& e) {
        ShowLine(std::string(errorPrefix) + e.what() + "!");
    }
}

void TForm_Main::CheckVer(const Variant&, Variant& out) {
    RunStep(out, "版本检测出现异常:", [this] {
        // Shown when the transfer begins; a transfer that never begins shows only its error.
        PendingStatus = "开始检测版本信息...";
        std::string bytes = operations_->HttpGetToMemory(UpdateSet.Address, *this);
        operations_->SaveVersionFile(ExeDir + "verex.ini", bytes);
        ReadVersionFile(ExeDir + "verex.ini");
        if (UpdateSet.Ver == UpdateSetEx.Ver) {
            ShowLine("本机版本已经是最新版本,不需要更新!");
            return false;
        }
        ShowLine("检测到新版本" + UpdateSetEx.Ver + "!");
        return true;
    });
}

void TForm_Main::DownLoadFiles(const Variant&, Variant& out) {
    RunStep(out, "下载新版本文件出现异常:", [this] {
        PendingStatus = "开始下载新版本文件...";
        const std::string temp = ExeDir + "temp";
        operations_->DeleteDir(temp);
        operations_->EnsureDir(temp);
        // A download that fails has shown its own line.
        if (!operations_->DownLoadFile(UpdateSetEx.Address, temp + "/" + ArchiveName(), *this,
                                       StatusShower())) {
            return false;
        }
        ShowLine("新版本文件下载完毕!");
        return true;
    });
}

void TForm_Main::UnZipFiles(const Variant&, Variant& out) {
    RunStep(out, "解压缩下载文件出现异常:", [this] {
        PendingStatus = "开始解压缩下载文件...";
        const std::string temp = ExeDir + "temp";
        operations_->UnZipFiles(temp + "/" + ArchiveName(), temp, *this);
        ShowLine("解压缩下载文件完毕!");
        return true;
    });
}

void TForm_Main::BeginLocalStep(const char* startLine) {
    PBNow->setRange(0, kLocalSteps);
    PBNow->setValue(0);
    nowMaximum_ = kLocalSteps;
    nowScale_ = 1;
    ShowLine(startLine);
}

void TForm_Main::EndLocalStep(const char* doneLine) {
    PBNow->setValue(PBNow->maximum());
    StepAll();
    StepAll();
    if (doneLine) {
        ShowLine(doneLine);
    }
}

void TForm_Main::StopOld(const Variant&, Variant& out) {
    // The window and service operations report their own errors.
    out = false;
    BeginLocalStep("开始关闭当前程序...");
    bool closed = false;
    if (RunTypeSet.RunType == 1) {
        std::string caption;
        GetListItem(RunTypeSet.RunName, 2, ",", caption);
        closed = operations_->CloseProgramWindow(caption, StatusShower());
    } else if (RunTypeSet.RunType == 2) {
        closed = operations_->StopServiceByName(RunTypeSet.RunName);
    }
    EndLocalStep(closed ? "关闭当前程序完毕!" : "关闭当前程序失败!");
    out = closed;
}

void TForm_Main::BackUpOld(const Variant&, Variant& out) {
    RunStep(out, "备份旧版本文件出现异常:", [this] {
        BeginLocalStep("开始备份旧版本文件...");
        CheckBackUpFolders(BackUpSet.BackUpSrc, BackUpSet.BackUpDest);
        PBNow->setValue(5);
        operations_->EnsureDir(BackUpSet.BackUpDest);
        PBNow->setValue(10);
        // The old backup goes only once the new one is whole, and nothing else in the folder.
        operations_->CopyDir(BackUpSet.BackUpSrc, BackUpSet.BackUpDest);
        EndLocalStep("备份旧版本文件完毕!");
        return true;
    });
}

void TForm_Main::SetupNew(const Variant&, Variant& out) {
    RunStep(out, "安装新版本文件出现异常,异常信息:", [this] {
        BeginLocalStep("开始安装新版本文件...");
        operations_->RunSetupProgram(ExeDir + "temp", UpdateSetEx.SetupFile);
        EndLocalStep("安装新版本文件完毕!");
        return true;
    });
}

void TForm_Main::StartNew(const Variant&, Variant& out) {
    RunStep(out, "启动新版本程序出现异常:", [this] {
        BeginLocalStep("开始启动新版本程序...");
        bool started = false;
        if (RunTypeSet.RunType == 1) {
            std::string caption;
            GetListItem(RunTypeSet.RunName, 2, ",", caption);
            started = operations_->RunProgram(RunCommandLine, caption, StatusShower());
        } else if (RunTypeSet.RunType == 2) {
            started = operations_->StartServiceByName(RunTypeSet.RunName);
        }
        PBNow->setValue(8);
        if (!started) {
            ShowLine("启动新版本程序失败!");
            return false;
        }
        UpdateSet.Ver = UpdateSetEx.Ver;
        EndLocalStep("启动新版本程序完毕!");
        return true;
    });
}

void TForm_Main::DeleteTmp(const Variant&, Variant& out) {
    RunStep(out, "删除临时文件出现异常:", [this] {
        BeginLocalStep("开始删除临时文件...");
        operations_->DeleteDir(ExeDir + "temp");
        PBNow->setValue(8);
        std::error_code ec;
        std::filesystem::remove(ExeDir + "verex.ini", ec);
        EndLocalStep("临时文件删除完毕!");
        return true;
    });
}

void TForm_Main::SetNowRange(int64_t maximum) {
    nowMaximum_ = std::max<int64_t>(maximum, 0);
    nowScale_ = 1;
    while (nowMaximum_ / nowScale_ > INT_MAX) {
        nowScale_ *= 1024;
    }
    PBNow->setRange(0, static_cast<int>(nowMaximum_ / nowScale_));
    PBNow->setValue(0);
}

void TForm_Main::SetNowPosition(int64_t position) {
    SetBarPosition(PBNow, position / nowScale_);
}

void TForm_Main::StepAll() {
    SetBarPosition(PBAll, PBAll->value() + 1);
}

void TForm_Main::WorkBegin(int64_t workCountMax) {
    try {
        SetNowRange(workCountMax);
        if (!PendingStatus.empty()) {
            ShowStatus();
        }
    } catch (...) {
    }
}

void TForm_Main::Work(int64_t workCount) {
    try {
        SetNowPosition(workCount);
        // Halfway is known only when the server said how much comes.
        if (nowMaximum_ > 0 && workCount * 2 == nowMaximum_) {
            StepAll();
        }
        QCoreApplication::processEvents();
    } catch (...) {
    }
}

void TForm_Main::WorkEnd() {
    PBNow->setValue(PBNow->maximum());
    StepAll();
}

void TForm_Main::StartUnZipInfo() {
    try {
        SetNowRange(100);
        lastPercent_ = -1;
        if (!PendingStatus.empty()) {
            ShowStatus();
        }
    } catch (...) {
    }
}

void TForm_Main::TotalPercentDone(int percent) {
    SetNowPosition(percent);
    // Once at halfway, also when halfway is reported more than once.
    if (percent == 50 && lastPercent_ != 50) {
        StepAll();
    }
    lastPercent_ = percent;
}

void TForm_Main::UnZipComplete() {
    PBNow->setValue(100);
    StepAll();
}
