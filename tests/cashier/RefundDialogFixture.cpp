#include "RefundDialogFixture.h"

#include <QApplication>

#include "FormRefund.h"
#include "FormTodayTotal.h"
#include "QzFormRunner.h"

void RefundDialogFixture::SetUp() {
    PayDialogFixture::SetUp();
    RegisterFormClass<TForm_Refund>("TForm_Refund");
    RegisterFormClass<TForm_Today_Total>("TForm_Today_Total");
}

platform::Form* RefundDialogFixture::StepTarget(const std::vector<platform::Form*>& modal,
                                                const QString& caption) {
    platform::Form* target = PayDialogFixture::StepTarget(modal, caption);
    if (target && !target->isActiveWindow()) {
        QApplication::setActiveWindow(target);
    }
    return target;
}
