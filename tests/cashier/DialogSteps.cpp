#include "DialogSteps.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "QzFormRunner.h"

using namespace platform;

CashierSettingsGuard::CashierSettingsGuard()
    : printSet_(PrintSet),
      shortCutSet_(ShortCutSet),
      syyInfo_(SyyInfo),
      getMyValueSet_(GetMyValueSet) {}

CashierSettingsGuard::~CashierSettingsGuard() {
    PrintSet = printSet_;
    ShortCutSet = shortCutSet_;
    SyyInfo = syyInfo_;
    GetMyValueSet = getMyValueSet_;
}

void DialogStepsFixture::Then(const char* caption, Action action) {
    steps_.push_back({QString::fromUtf8(caption), std::move(action)});
}

void DialogStepsFixture::Run(const std::function<void()>& body) {
    const int run = ++run_;
    timedOut_ = false;
    lastProgress_ = std::chrono::steady_clock::now();
    QTimer::singleShot(0, &ticks_, [this, run] { Tick(run); });
    body();
    ++run_;
    EXPECT_FALSE(timedOut_) << "a step did not come: "
                            << (steps_.empty() ? "(a dialog stayed open)"
                                               : steps_.front().caption.toStdString());
    if (!steps_.empty()) {
        ADD_FAILURE() << steps_.size() << " steps left, the next for "
                      << steps_.front().caption.toStdString();
    }
    steps_.clear();
}

Variant DialogStepsFixture::Run(const char* className, const Variant& in) {
    Variant out;
    Run([&] { RunRegisteredForm(className, "Execute", in, out, true, true, false, false); });
    return out;
}

void DialogStepsFixture::Tick(int run) {
    if (run != run_) {
        return;
    }
    // The next tick is due before the step acts: the step may open a modal window of its own.
    QTimer::singleShot(5, &ticks_, [this, run] { Tick(run); });

    std::vector<Form*> modal;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* form = dynamic_cast<Form*>(widget); form && form->IsModalShowing()) {
            modal.push_back(form);
        }
    }
    if (std::chrono::steady_clock::now() - lastProgress_ > stepTimeout_) {
        timedOut_ = true;
        ++run_;
        for (Form* form : modal) {
            form->SetModalResult(mrCancel);
        }
        return;
    }
    if (steps_.empty()) {
        return;
    }
    if (Form* target = StepTarget(modal, steps_.front().caption)) {
        Step step = std::move(steps_.front());
        steps_.erase(steps_.begin());
        lastProgress_ = std::chrono::steady_clock::now();
        step.action(*target);
    }
}

void DialogStepsFixture::Type(Form& form, const QString& text) {
    QWidget* target = form.focusWidget() ? form.focusWidget() : &form;
    QTest::keyClicks(target, text);
}

void DialogStepsFixture::Press(Form& form, int qtKey, Qt::KeyboardModifiers modifiers) {
    QWidget* target = form.focusWidget() ? form.focusWidget() : &form;
    QTest::keyClick(target, static_cast<Qt::Key>(qtKey), modifiers);
}

std::string DialogStepsFixture::Text(Form& form, const char* editName) {
    return form.findChild<QLineEdit*>(editName)->text().toStdString();
}

void DialogStepsFixture::ExpectTillIdentity(const FakeGateway::Record& request) {
    EXPECT_EQ(request.fields.at("appid"), kAppId);
    EXPECT_EQ(request.fields.at("mch_id"), kMchId);
    EXPECT_EQ(request.fields.at("store_appid"), kStoreAppId);
    EXPECT_EQ(request.fields.at("syy_id"), kSyyId);
}

void DialogStepsFixture::SetText(Form& form, const char* editName, const QString& text) {
    form.findChild<QLineEdit*>(editName)->setText(text);
}
