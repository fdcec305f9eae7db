#include "PayDialogFixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <regex>

#include "FormCodePay.h"
#include "FormCodePayDetail.h"
#include "FormMicroPay.h"
#include "FormPayResult.h"
#include "QzFormRunner.h"

using namespace platform;

namespace {

// How long a run may wait for the next step before it is given up.
constexpr auto kStepTimeout = std::chrono::seconds(15);

std::chrono::steady_clock::time_point lastProgress;

}  // namespace

void PayDialogFixture::SetUp() {
    GatewayFixture::SetUp();
    savedPrintSet_ = PrintSet;
    savedShortCutSet_ = ShortCutSet;
    savedSyyInfo_ = SyyInfo;
    savedGetMyValueSet_ = GetMyValueSet;

    InterfacePRM.MchName = "海川测试商户";
    InterfacePRM.StoreName = "测试门店一号";
    SyyInfo = {kSyyId, "张三"};
    PrintSet = {};
    PrintSet.PrinterType = 1;
    PrintSet.PrinterPort = folder_.File("LPT1");
    ShortCutSet = {"ESC", "0", "ESC"};
    GetMyValueSet = {};

    RegisterFormClass<TForm_Micro_Pay>("TForm_Micro_Pay");
    RegisterFormClass<TForm_Pay_Result>("TForm_Pay_Result");
    RegisterFormClass<TForm_Code_Pay>("TForm_Code_Pay");
    RegisterFormClass<TForm_Code_Pay_Detail>("TForm_Code_Pay_Detail");
    SetMessageBoxHandler([this](const MessageBoxCall& call) {
        boxes.push_back(call);
        return IDOK;
    });
}

void PayDialogFixture::TearDown() {
    SetMessageBoxHandler(nullptr);
    PrintSet = savedPrintSet_;
    ShortCutSet = savedShortCutSet_;
    SyyInfo = savedSyyInfo_;
    GetMyValueSet = savedGetMyValueSet_;
    GatewayFixture::TearDown();
}

void PayDialogFixture::Then(const char* caption, Action action) {
    steps_.push_back({QString::fromUtf8(caption), std::move(action)});
}

Variant PayDialogFixture::Run(const char* className, const Variant& in) {
    const int run = ++run_;
    timedOut_ = false;
    lastProgress = std::chrono::steady_clock::now();
    QTimer::singleShot(0, &ticks_, [this, run] { Tick(run); });
    Variant out;
    RunRegisteredForm(className, "Execute", in, out, true, true, false, false);
    ++run_;
    EXPECT_FALSE(timedOut_) << "a step did not come: "
                            << (steps_.empty() ? "(the dialog stayed open)"
                                               : steps_.front().caption.toStdString());
    if (!steps_.empty()) {
        ADD_FAILURE() << steps_.size() << " steps left, the next for "
                      << steps_.front().caption.toStdString();
    }
    steps_.clear();
    return out;
}

void PayDialogFixture::Tick(int run) {
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
    if (std::chrono::steady_clock::now() - lastProgress > kStepTimeout) {
        timedOut_ = true;
        ++run_;
        for (Form* form : modal) {
            form->SetModalResult(mrCancel);
        }
        return;
    }
    // A window that has closed but whose modal show has not returned yet: its caller has not
    // gone on, so the window under it is not the cashier's to act on yet.
    for (Form* form : modal) {
        if (!form->isVisible()) {
            return;
        }
    }
    auto* top = dynamic_cast<Form*>(QApplication::activeModalWidget());
    if (!steps_.empty() && top && top->windowTitle() == steps_.front().caption) {
        Step step = std::move(steps_.front());
        steps_.erase(steps_.begin());
        lastProgress = std::chrono::steady_clock::now();
        step.action(*top);
    }
}

void PayDialogFixture::Type(Form& form, const QString& text) {
    QWidget* target = form.focusWidget() ? form.focusWidget() : &form;
    QTest::keyClicks(target, text);
}

void PayDialogFixture::Press(Form& form, int qtKey, Qt::KeyboardModifiers modifiers) {
    QWidget* target = form.focusWidget() ? form.focusWidget() : &form;
    QTest::keyClick(target, static_cast<Qt::Key>(qtKey), modifiers);
}

std::string PayDialogFixture::Text(Form& form, const char* editName) {
    return form.findChild<QLineEdit*>(editName)->text().toStdString();
}

void PayDialogFixture::SetText(Form& form, const char* editName, const QString& text) {
    form.findChild<QLineEdit*>(editName)->setText(text);
}

void PayDialogFixture::PayWith(const QString& amount, const QString& code) {
    Then("刷卡支付", [amount, code](Form& f) {
        Type(f, amount);
        Press(f, Qt::Key_Return);
        Type(f, code);
        Press(f, Qt::Key_Return);
    });
}

std::vector<std::string> PayDialogFixture::BoxTexts() const {
    std::vector<std::string> texts;
    for (const MessageBoxCall& box : boxes) {
        texts.push_back(box.text);
    }
    return texts;
}

std::string PayDialogFixture::Printed() const {
    return folder_.Read("LPT1");
}

std::string PayDialogFixture::ReceiptHead(const std::string& orderNo,
                                          const std::string& transactionId,
                                          const std::string& total, const std::string& coupon,
                                          const std::string& paid) {
    return Gbk(
        "          微信支付小票\r\n"
        "\r\n"
        "所属商户:海川测试商户\r\n"
        "门店名称:测试门店一号\r\n"
        "收银员编号:1001\r\n"
        "\r\n"
        "商户订单号:" +
        orderNo +
        "\r\n"
        "微信订单号:" +
        transactionId +
        "\r\n"
        "应付金额:" +
        total +
        "元\r\n"
        "微信支付优惠:" +
        coupon +
        "元\r\n"
        "实付金额:" +
        paid +
        "元\r\n"
        "\r\n"
        "打印时间:");
}

void PayDialogFixture::ExpectReceipt(const std::string& printed, const std::string& head) const {
    ASSERT_GE(printed.size(), head.size()) << printed;
    EXPECT_EQ(printed.substr(0, head.size()), head);
    const std::string rest = printed.substr(head.size());
    std::string emptyLines;
    for (int i = 13; i < 28; ++i) {
        emptyLines += "\r\n";
    }
    EXPECT_TRUE(
        std::regex_match(rest, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\r\n)" + emptyLines)))
        << rest;
}
