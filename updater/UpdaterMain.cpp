#include "UpdaterMain.h"

#include <algorithm>
#include <string>
#include <vector>

#include "Application.h"
#include "FormUpdate.h"
#include "MessageBox.h"
#include "Process.h"
#include "QzFormRunner.h"
#include "SingleInstance.h"
#include "UpdaterGlobal.h"

using namespace platform;

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
    AutoMode = IsAutoMode(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    InitUpdaterNames(ProgramPath());

    // Held until the process ends, which releases it.
    static SingleInstance instance(UpdaterExeName);
    if (!instance.TryAcquire()) {
        if (!AutoMode) {
            Application app(argc, argv);
            MessageBoxA(nullptr, "升级程序正在运行!", "", MB_ICONERROR);
        }
        return 1;
    }

    Application app(argc, argv);
    RegisterUpdaterForm();
    LoadUpdaterConfig(ProgramFolder());
    Application::SetTitle(kDefaultUpdaterTitle);
    ReportUncaught(RunUpdate);
    SaveUpdaterConfig();
    UnregisterUpdaterForm();
    return 0;
}
