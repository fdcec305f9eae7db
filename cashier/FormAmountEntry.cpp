#include "FormAmountEntry.h"

#include <QLabel>
#include <QLineEdit>

#include "AmountEdit.h"
#include "DialogLook.h"
#include "QzColors.h"
#include "QzRuntimeGlobal.h"

using namespace platform;

namespace {

constexpr int kWidth = 427;

}  // namespace

TForm_Amount_Entry::TForm_Amount_Entry(QWidget* owner, const TLayout& layout) : Form(owner) {
    SetUpDialog(this, layout.Caption, kWidth, layout.Height, kClWindow);
    QWidget* Panel1 = MakeTopBand(this, kWidth);
    Image1 = MakeBanner(Panel1, kWidth);
    Label2 = MakeBandTitle(Panel1, kWidth, layout.Title);
    editMoney =
        MakeLabelledEdit(this, "editMoney", layout.MoneyLabel, 112, layout.MoneyTop, kPayEdit);
    LabelTip = MakePayKeyTip(this, layout.TipTop, kWidth);

    OnControlKeyPress(editMoney, [this](char32_t& ch) { editMoneyKeyPress(ch); });
    Publish("Execute", [this](const Variant& in, Variant& out) { Execute(in, out); });
}

void TForm_Amount_Entry::Execute(const Variant&, Variant&) {
    ShowModal();
}

void TForm_Amount_Entry::FormShow() {
    BringToFrontWhenShown();
    editMoney->setFocus();
    if (GetMyValueSet.IsUse) {
        LoadExternalAmount();
    }
}

void TForm_Amount_Entry::FormClose(CloseAction& action) {
    action = CloseAction::caFree;
}

void TForm_Amount_Entry::LoadExternalAmount() {
    ::LoadExternalAmount(this, editMoney);
}

void TForm_Amount_Entry::editMoneyKeyPress(char32_t& ch) {
    FilterAmountChar(editMoney, ch);
}
