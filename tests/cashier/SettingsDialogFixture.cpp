#include "SettingsDialogFixture.h"

#include <QApplication>

#include <filesystem>

#include "FormMore.h"
#include "FormPrinterSet.h"
#include "Printers.h"
#include "QzFormRunner.h"
#include "VirtualKeys.h"

using namespace platform;

void SettingsDialogFixture::SetUp() {
    GatewayFixture::SetUp();
    SyyInfo = {kSyyId, "张三"};
    ShortCutSet = {"ESC", "0", "ESC"};
    PrintSet = {0, "LPT1", "", "宋体", 9, 134};
    std::filesystem::create_directories(folder_.File("Config"));
    ConfigIni = std::make_unique<TIniFile>(folder_.File("Config/Config.ini"));
    SetLockStatesForTesting(LockStates{false, true});

    RegisterFormClass<TForm_Printer_Set>("TForm_Printer_Set");
    RegisterFormClass<TForm_More>("TForm_More");
    SetMessageBoxHandler([this](const MessageBoxCall& call) {
        auto* dialog = dynamic_cast<Form*>(QApplication::activeModalWidget());
        QWidget* focus = dialog ? dialog->focusWidget() : nullptr;
        boxes.push_back({call, focus ? focus->objectName().toStdString() : std::string(),
                         dialog && dialog->isVisible()});
        return IDOK;
    });
}

void SettingsDialogFixture::TearDown() {
    SetMessageBoxHandler(nullptr);
    SetLockStatesForTesting(std::nullopt);
    SetCurrentPrinter("");
    ConfigIni.reset();
    GatewayFixture::TearDown();
}

std::vector<std::string> SettingsDialogFixture::BoxTexts() const {
    std::vector<std::string> texts;
    for (const Box& box : boxes) {
        texts.push_back(box.call.text);
    }
    return texts;
}

Form* SettingsDialogFixture::StepTarget(const std::vector<Form*>& modal, const QString& caption) {
    for (Form* form : modal) {
        if (form->isVisible() && form->windowTitle() == caption) {
            return form;
        }
    }
    return nullptr;
}
