#include "ClientStartup.h"

#include <filesystem>
#include <memory>

#include "Application.h"
#include "CashierForms.h"
#include "FormMain.h"
#include "MessageBox.h"
#include "Process.h"
#include "QzErrors.h"
#include "QzParameterFile.h"
#include "QzRuntimeGlobal.h"
#include "SingleInstance.h"
#include "UnitCheckVer.h"
#include "UpdaterHandOver.h"

using namespace platform;

void InitAppNames(const std::string& exePath) {
    AppExeName = ProgramBaseName(exePath);
    AppTitle = std::string(kAppTitlePrefix) + kClientVersion + "[" + AppExeName + "]";
}

void EnsureDataDirs() {
    // One spelling for the folder made and the file opened: on Linux "config" and "Config"
    // would be two folders.
    for (const char* name : {"Config", "Parameter"}) {
        std::error_code ec;
        std::filesystem::create_directories(AppPath + name, ec);
    }
}

void LoadConfig() {
    ConfigIni = std::make_unique<TIniFile>(AppPath + "Config/Config.ini");
    LoadSystemSet();
    LoadPrintSet();
    LoadParameterFile();
    LoadShortCutSet();
    LoadGetMyValueSet();
}

void FreeConfig() {
    ConfigIni.reset();
}

bool CheckNewVersion() {
    if (!TCheckVer().HaveNewVer()) {
        return false;
    }
    if (MessageBoxA(nullptr, "检测到新版本信息，是否现在更新程序？", AppTitle + "升级提示",
                    MB_YESNO | MB_ICONINFORMATION) != IDYES) {
        return false;
    }
    // A failure here is not caught: it ends the start-up with its text in the error box.
    HandOverToUpdater();
    return true;
}

int ProgramMain(int argc, char** argv) {
    InitAppNames(ProgramPath());

    SingleInstance instance(AppExeName);
    if (!instance.TryAcquire()) {
        Application app(argc, argv);
        MessageBoxA(nullptr, "已运行!", "", MB_ICONERROR);
        return 1;
    }

    Application app(argc, argv);
    try {
        RegisterCashierForms();
        EnsureDataDirs();
        LoadConfig();
        if (CheckNewVersion()) {
            return 0;
        }
        Application::SetTitle(kAppTitlePrefix);
        auto mainForm = std::make_unique<TForm_Main>(nullptr);
        mainForm->SetMainForm(true);
        mainForm->show();
        app.exec();
        mainForm.reset();
        FreeConfig();
        return 0;
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), kAppTitlePrefix, MB_ICONERROR);
        return 1;
    }
}
