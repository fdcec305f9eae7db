#pragma once

#include <string>
#include <vector>

#include "DialogSteps.h"
#include "Form.h"
#include "MessageBox.h"

// The main window's two settings dialogs, opened through the form runner as the main window
// opens them: a signed-in cashier, the default hot keys, Config/Config.ini open in the test
// folder, and every message box recorded with the control that had the focus and whether the
// dialog was still open, then answered with OK.
class SettingsDialogFixture : public DialogStepsFixture {
protected:
    SettingsDialogFixture() : DialogStepsFixture(std::chrono::seconds(20)) {}

    void SetUp() override;
    void TearDown() override;

    struct Box {
        platform::MessageBoxCall call;
        std::string focus;
        bool dialogOpen = false;
    };
    std::vector<Box> boxes;
    std::vector<std::string> BoxTexts() const;

    platform::Form* StepTarget(const std::vector<platform::Form*>& modal,
                               const QString& caption) override;
};
