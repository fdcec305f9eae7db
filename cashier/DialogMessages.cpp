#include "DialogMessages.h"

#include "MessageBox.h"
#include "QzLog.h"

void ShowTip(QWidget* owner, const std::string& text) {
    platform::MessageBoxA(owner, text, "提示", platform::MB_ICONINFORMATION);
}

void ReportCaughtError(QWidget* owner, const std::exception& error, const std::string& boxPrefix) {
    WriteLogOrStderr(error.what());
    platform::MessageBoxA(owner, boxPrefix + error.what(), "错误", platform::MB_ICONINFORMATION);
}

bool GuardDialogStep(QWidget* owner, const std::function<void()>& step,
                     const std::string& boxPrefix) {
    try {
        step();
        return true;
    } catch (const std::exception& e) {
        ReportCaughtError(owner, e, boxPrefix);
        return false;
    }
}
