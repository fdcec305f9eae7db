#pragma once

#include <string>
#include <vector>

#include "PayDialogFixture.h"

// The refund and today's totals dialogs against the fake gateway, with the payment dialogs'
// settings: a signed-in cashier, a port printer writing into the test folder, every box
// recorded.
class RefundDialogFixture : public PayDialogFixture {
protected:
    void SetUp() override;

    // As a desktop does, the window a step acts on is the active one: its edits see the focus
    // come and go (the offscreen platform activates nothing by itself).
    platform::Form* StepTarget(const std::vector<platform::Form*>& modal,
                               const QString& caption) override;
};
