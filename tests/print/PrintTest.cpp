#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <stdexcept>

#include "PortDevice.h"
#include "Printers.h"
#include "QzPrint.h"
#include "QzRuntimeGlobal.h"
#include "TestFolder.h"

using namespace std::string_literals;

namespace {

std::string Crlf(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) {
        bytes += line + "\r\n";
    }
    return bytes;
}

std::vector<std::string> Numbered(int count) {
    std::vector<std::string> lines;
    for (int i = 1; i <= count; ++i) {
        lines.push_back("line " + std::to_string(i));
    }
    return lines;
}

// Receipts go to a file named as the port, as a till printing to a file would have them.
class PortPrinting : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = PrintSet;
        PrintSet.PrinterType = 1;
        PrintSet.PrinterPort = folder.File("receipt.prn");
        PrintSet.FontName = "宋体";
        PrintSet.FontSize = 9;
        PrintSet.FontCharset = 134;
    }
    void TearDown() override { PrintSet = saved_; }

    std::string Printed(const std::string& text) {
        PrintReceipt(text);
        return folder.Read("receipt.prn");
    }

    TestFolder folder;
    TPrintSet saved_;
};

TEST_F(PortPrinting, AReceiptFillsAtLeast28Lines) {
    EXPECT_EQ(Printed(""), Crlf(std::vector<std::string>(28)));

    std::vector<std::string> sixteen = Numbered(16);
    std::vector<std::string> padded = sixteen;
    padded.resize(28);
    std::string text;
    for (const auto& line : sixteen) {
        text += line + "\r\n";
    }
    EXPECT_EQ(Printed(text), Crlf(padded));

    std::vector<std::string> long35 = Numbered(35);
    text.clear();
    for (const auto& line : long35) {
        text += line + "\n";
    }
    EXPECT_EQ(Printed(text), Crlf(long35));  // nothing cut, nothing added
}

TEST_F(PortPrinting, EveryKindOfLineEndSplitsTheSame) {
    std::vector<std::string> expected{"a", "", "b", "c"};
    expected.resize(28);
    const std::string crlf = Printed("a\r\n\r\nb\r\nc\r\n");
    EXPECT_EQ(crlf, Crlf(expected));
    EXPECT_EQ(Printed("a\n\nb\nc\n"), crlf);
    EXPECT_EQ(Printed("a\r\rb\rc\r"), crlf);
    EXPECT_EQ(Printed("a\r\n\nb\rc"), crlf);               // mixed, and no line end after the last
    EXPECT_EQ(Printed("a\n\nb\nc\n\0tail\nmore"s), crlf);  // a NUL ends it
}

TEST_F(PortPrinting, ThePortGetsCodePage936BytesAndNothingElse) {
    folder.Write("receipt.prn", std::string(5000, 'x'));  // an older, longer file is replaced
    std::string bytes = Printed("商户名称：海川超市\r\n金额：12.50元");
    std::vector<std::string> expected{Gbk("商户名称：海川超市"), Gbk("金额：12.50元")};
    expected.resize(28);
    EXPECT_EQ(bytes, Crlf(expected));
    EXPECT_EQ(bytes.substr(0, 2), "\xC9\xCC");  // 商
}

TEST_F(PortPrinting, TheFontLeavesThePortOutputAlone) {
    const std::string text = "收银员：01\r\n合计：8.00元";
    std::string before = Printed(text);
    PrintSet.FontName = "DejaVu Serif";
    PrintSet.FontSize = 20;
    PrintSet.FontCharset = 0;
    EXPECT_EQ(Printed(text), before);
}

TEST_F(PortPrinting, OtherPrinterTypesPrintNothing) {
    for (int type : {0, 3, -1}) {
        PrintSet.PrinterType = type;
        PrintReceipt("收银员：01");
        EXPECT_FALSE(std::filesystem::exists(PrintSet.PrinterPort)) << type;
    }
}

TEST_F(PortPrinting, APortThatCannotBeOpenedPrintsNothingAndReturns) {
    PrintSet.PrinterPort = "LPT9";
    bool hadDevice = std::filesystem::exists("/dev/lp8");
    PrintReceipt("收银员：01");
    EXPECT_EQ(std::filesystem::exists("/dev/lp8"), hadDevice);  // never made up as a file

    PrintSet.PrinterPort = folder.File("no/such/folder/receipt.prn");
    PrintReceipt("收银员：01");
    EXPECT_FALSE(std::filesystem::exists(folder.File("no")));

    // A pipe nobody reads from is a port that takes nothing: the till does not wait on it.
    PrintSet.PrinterPort = folder.File("fifo");
    ASSERT_EQ(mkfifo(PrintSet.PrinterPort.c_str(), 0600), 0);
    PrintReceipt("收银员：01");
}

TEST_F(PortPrinting, HugeOrBrokenTextStillPrints) {
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        text += "8.00\n";
    }
    EXPECT_EQ(Printed(text).size(), 100000u * 6);

    // Bytes that are no text at all come out as "?", as a conversion to the code page gives.
    const std::string broken = std::string("a\xFF\xFE") + "b\xE6\xB5\n\x81";
    EXPECT_EQ(Printed(broken).substr(0, 12), "a??b?\r\n?\r\n\r\n");
}

TEST(PortDevice, PortNamesMapToDevices) {
    EXPECT_EQ(platform::PortDevicePath("LPT1"), "/dev/lp0");
    EXPECT_EQ(platform::PortDevicePath("lpt2"), "/dev/lp1");
    EXPECT_EQ(platform::PortDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(platform::PortDevicePath("Com10"), "/dev/ttyS9");
    EXPECT_EQ(platform::PortDevicePath("LPT0"), "LPT0");
    EXPECT_EQ(platform::PortDevicePath("LPT"), "LPT");
    EXPECT_EQ(platform::PortDevicePath("LPT1.txt"), "LPT1.txt");
    EXPECT_EQ(platform::PortDevicePath("/dev/usb/lp0"), "/dev/usb/lp0");
}

// Sets an environment variable for one test and puts back what it was.
class EnvironmentGuard {
public:
    EnvironmentGuard(const char* name, const std::string& value) : name_(name) {
        if (const char* old = getenv(name)) {
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~EnvironmentGuard() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Works in another folder for one test, and goes back.
class WorkingFolderGuard {
public:
    explicit WorkingFolderGuard(const std::string& folder) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolderGuard() { std::filesystem::current_path(old_); }

private:
    std::filesystem::path old_;
};

// With no print service to be reached there is no printer: the receipt goes nowhere (not into a
// file in the working folder, as a print library falling back to PDF would put it) and the
// call returns.
TEST(PrinterPrinting, NoPrinterPrintsNothingAndReturns) {
    TestFolder folder;
    EnvironmentGuard cups("CUPS_SERVER", folder.File("no-cups.sock"));
    WorkingFolderGuard here(folder.Path());
    TPrintSet saved = PrintSet;
    PrintSet.PrinterType = 2;
    PrintSet.FontName = "宋体";
    PrintSet.FontSize = 9;

    EXPECT_TRUE(platform::InstalledPrinters().empty());
    EXPECT_EQ(platform::CurrentPrinter(), "");
    EXPECT_THROW(platform::PrintTextLines({"收银员：01"}, {"宋体", 9, 134}), std::runtime_error);
    EXPECT_NO_THROW(PrintReceipt("收银员：01"));
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path())) << "nothing was written anywhere";
    PrintSet = saved;
}

}  // namespace
