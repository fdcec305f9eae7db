#include "UpdaterMain.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "Application.h"
#include "FileModeMask.h"
#include "FileOwner.h"
#include "FormUpdate.h"
#include "InstallLock.h"
#include "MessageBox.h"
#include "Process.h"
#include "QzFormRunner.h"
#include "SingleInstance.h"
#include "UpdaterGlobal.h"
#include "WholeFile.h"

using namespace platform;

namespace {

// A settings file that cannot be read or written back, or one root must not follow, ends the
// updater with its reason, told to whoever started it: standard error always, a box only when a
// person watches.
int EndWithError(const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    if (!AutoMode) {
        MessageBoxA(nullptr, error.what(), Application::Title(), MB_ICONERROR);
    }
    return 1;
}

// As root, the updater writes Config.ini through its links, clears temp/, copies the client's
// folder, replaces what the backup folder holds and starts the program RunName names: nobody else
// may change any of them, or they could steer what root writes, deletes or runs.
void CheckRootMayWorkOn(const std::vector<std::string>& reasons) {
    for (const std::string& reason : reasons) {
        if (!reason.empty()) {
            throw std::runtime_error(
                "The updater runs as root only where nobody else can change its files: " + reason);
        }
    }
}

// The install's lock, had unless another updater holds it: anything else ends the updater with
// its reason before it reads or writes a file.
void CheckInstallLocked(InstallLock::Outcome outcome, const std::string& why) {
    if (outcome == InstallLock::Outcome::OthersCanChange) {
        CheckRootMayWorkOn({why});
    }
    if (outcome == InstallLock::Outcome::Unavailable) {
        throw std::runtime_error("The updater cannot lock its install: " + why);
    }
}

// The settings file and the work folder, before the settings are read.
void CheckRootMayRunIn(const std::string& folder) {
    if (RunsAsSuperUser()) {
        CheckRootMayWorkOn(
            {OthersCanChange(folder + "Config.ini"), OthersCanChangeAnyFolderIn(folder + "temp")});
    }
}

// What the settings name, before anything is fetched.
void CheckRootMayWorkOnTheClient() {
    if (!RunsAsSuperUser()) {
        return;
    }
    // A setting left empty names nothing to touch: its step fails on its own.
    auto check = [](std::string (*rule)(const std::string&), const std::string& path) {
        return path.empty() ? std::string() : rule(path);
    };
    // What root starts and what the client it starts loads lie in the client's folder; of the
    // previous backup root only deletes what it holds.
    CheckRootMayWorkOn({check(OthersCanChangeAnythingIn, BackUpSet.BackUpSrc),
                        check(OthersCanChangeAnyFolderIn, BackUpSet.BackUpDest),
                        check(OthersCanChange, RunCommandLine.Program)});
}

}  // namespace

void RegisterUpdaterForm() {
    RegisterFormClass<TForm_Main>("TForm_Main");
}

void UnregisterUpdaterForm() {
    UnRegisterClass("TForm_Main");
}

void RunUpdate() {
    Variant result;
    RunRegisteredForm("TForm_Main", "StartUpdate", Variant(), result, true, true, false, false);
}

int UpdaterMain(int argc, char** argv) {
    // Before anything is made (temp/, the unpacked package, the backup, the work files) and any
    // program is started: the setup program and the client inherit it.
    TightenFileModeMask();
    AutoMode = IsAutoMode(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    InitUpdaterNames(ProgramPath());

    // Held until the process ends, which releases them: one updater of this user, and one
    // updater of any user on this install.
    static SingleInstance instance(UpdaterExeName);
    static InstallLock install(ProgramFolder());
    const InstallLock::Outcome locked =
        instance.TryAcquire() ? install.TryAcquire() : InstallLock::Outcome::HeldElsewhere;
    if (locked == InstallLock::Outcome::HeldElsewhere) {
        if (!AutoMode) {
            Application app(argc, argv);
            MessageBoxA(nullptr, "升级程序正在运行!", "", MB_ICONERROR);
        }
        return 1;
    }

    Application app(argc, argv);
    RegisterUpdaterForm();
    // Set before the settings are read, so that a box about them has the title too.
    Application::SetTitle(kDefaultUpdaterTitle);
    int exitCode = 0;
    try {
        CheckInstallLocked(locked, install.Why());
        CheckRootMayRunIn(ProgramFolder());
        // A run killed while it wrote its work files left their new copies beside them.
        RemoveFreshLeftovers(ProgramFolder() + "verex.ini");
        RemoveFreshLeftovers(ProgramFolder() + "Update.log");
        LoadUpdaterConfig(ProgramFolder());
        CheckRootMayWorkOnTheClient();
        ReportUncaught(RunUpdate);
        SaveUpdaterConfig();
    } catch (const std::exception& e) {
        exitCode = EndWithError(e);
    }
    UnregisterUpdaterForm();
    return exitCode;
}
