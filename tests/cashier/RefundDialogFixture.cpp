#include "RefundDialogFixture.h"

#include <QApplication>

#include <regex>

#include "FormRefund.h"
#include "FormTodayTotal.h"
#include "QzFormRunner.h"

void RefundDialogFixture::SetUp() {
    PayDialogFixture::SetUp();
    RegisterFormClass<TForm_Refund>("TForm_Refund");
    RegisterFormClass<TForm_Today_Total>("TForm_Today_Total");
}

std::vector<std::string> RefundDialogFixture::PrintedLines() const {
    const std::string printed = Printed();
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = printed.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(printed.substr(start, end - start));
    }
    if (start != printed.size()) {
        lines.push_back(printed.substr(start) + "(no line end)");
    }
    return lines;
}

void RefundDialogFixture::ExpectPrinted(const std::vector<std::string>& linesBeforeTime) const {
    const std::vector<std::string> lines = PrintedLines();
    ASSERT_EQ(lines.size(), 28u) << Printed();
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

platform::Form* RefundDialogFixture::StepTarget(const std::vector<platform::Form*>& modal,
                                                const QString& caption) {
    platform::Form* target = PayDialogFixture::StepTarget(modal, caption);
    if (target && !target->isActiveWindow()) {
        QApplication::setActiveWindow(target);
    }
    return target;
}
