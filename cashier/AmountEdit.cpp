#include "AmountEdit.h"

#include <QLineEdit>

#include <string>

#include "Form.h"
#include "PayAmount.h"
#include "QzExternalAmount.h"
#include "QzRuntimeGlobal.h"
#include "VirtualKeys.h"

void FilterAmountChar(const QLineEdit* edit, char32_t& ch) {
    if (ch == U'\t' || ch == 0x7F) {
        return;
    }
    if (!AmountCharAllowed(edit->text().toStdString(), ch)) {
        ch = 0;
    }
}

void RefusePaste(int& key) {
    if (key == 'V' && (platform::GetKeyState(platform::VK_CONTROL) & 0x8000)) {
        key = 0;
    }
}

void LoadExternalAmount(platform::Form* dialog, QLineEdit* editMoney) {
    std::string amount;
    GetExternalAmount(dialog, GetMyValueSet.Title, GetMyValueSet.Order, GetMyValueSet.ClassName,
                      amount);
    if (IsAmountText(amount) && ExternalAmountAccepted(amount)) {
        editMoney->setText(QString::fromStdString(amount));
    }
}
