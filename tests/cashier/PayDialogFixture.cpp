#include "PayDialogFixture.h"

#include <QApplication>

#include <algorithm>
#include <regex>

#include "FormCodePay.h"
#include "FormCodePayDetail.h"
#include "FormMicroPay.h"
#include "FormPayResult.h"
#include "QzFormRunner.h"

using namespace platform;

void PayDialogFixture::SetUp() {
    GatewayFixture::SetUp();
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
    GatewayFixture::TearDown();
}

Form* PayDialogFixture::StepTarget(const std::vector<Form*>& modal, const QString& caption) {
    // A window that has closed but whose modal show has not returned yet: its caller has not
    // gone on, so the window under it is not the cashier's to act on yet.
    for (Form* form : modal) {
        if (!form->isVisible()) {
            return nullptr;
        }
    }
    auto* top = dynamic_cast<Form*>(QApplication::activeModalWidget());
    return top && top->windowTitle() == caption ? top : nullptr;
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

void PayDialogFixture::ExpectPrinted(const std::vector<std::string>& linesBeforeTime) const {
    const std::string printed = Printed();
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = printed.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(printed.substr(start, end - start));
    }
    EXPECT_EQ(start, printed.size()) << "every line ends in CR LF";
    ASSERT_EQ(lines.size(), std::max<size_t>(linesBeforeTime.size() + 1, 28)) << printed;
    for (size_t i = 0; i < linesBeforeTime.size(); ++i) {
        EXPECT_EQ(lines[i], Gbk(linesBeforeTime[i])) << "line " << i + 1;
    }
    const size_t time = linesBeforeTime.size();
    EXPECT_TRUE(std::regex_match(
        lines[time], std::regex(Gbk("打印时间:") + R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")))
        << "line " << time + 1 << ": " << lines[time];
    for (size_t i = time + 1; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], "") << "line " << i + 1;
    }
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
