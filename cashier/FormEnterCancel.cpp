#include "FormEnterCancel.h"

#include <string>

#include "QzHotKey.h"
#include "QzRuntimeGlobal.h"
#include "VirtualKeys.h"

using namespace platform;

TForm_Enter_Cancel::TForm_Enter_Cancel(QWidget* owner) : Form(owner) {
    // Most of these dialogs only display: no control takes the focus, so the form must.
    setFocusPolicy(Qt::StrongFocus);
}

void TForm_Enter_Cancel::FormShow() {
    BringToFrontWhenShown();
    FocusOnShow()->setFocus();
}

void TForm_Enter_Cancel::FormClose(CloseAction& action) {
    action = CloseAction::caFree;
}

void TForm_Enter_Cancel::FormKeyDown(int& key) {
    std::string name;
    KeyToShortCutText(key, name);
    if (name == ShortCutSet.ShortCutCancel) {
        key = 0;
        CancelAct();
    } else if (key == VK_RETURN) {
        key = 0;
        EnterAct();
    }
}
