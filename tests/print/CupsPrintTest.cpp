#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QStringList>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>

#include "ChildProcess.h"
#include "Printers.h"
#include "PrivateCups.h"
#include "QzPrint.h"
#include "QzRuntimeGlobal.h"
#include "TestFolder.h"

namespace {

std::string Tool(const std::vector<std::string>& argv) {
    ProgramResult r = RunProgram(argv);
    EXPECT_EQ(r.status, 0) << argv[0] << " failed";
    return r.out;
}

std::string WithoutBlanks(std::string text) {
    std::erase(text, ' ');
    return text;
}

class CupsPrinting : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        missing_ = PrivateCups::MissingTool();
        if (!missing_.empty()) {
            return;
        }
        folder_ = std::make_unique<TestFolder>();
        cups_ = std::make_unique<PrivateCups>(folder_->Path());
        cups_->AddQueue("Receipt", folder_->File("receipt.pdf"));
        cups_->AddQueue("Kitchen", folder_->File("kitchen.pdf"));
        cups_->SetDefault("Receipt");
    }
    static void TearDownTestSuite() {
        cups_.reset();
        folder_.reset();
    }

    void SetUp() override {
        if (!missing_.empty()) {
            GTEST_SKIP() << missing_ << " is not installed (scripts/setup.sh installs it)";
        }
        saved_ = PrintSet;
        PrintSet.PrinterType = 2;
        PrintSet.PrinterPort = "LPT1";
        PrintSet.FontName = "宋体";
        PrintSet.FontSize = 9;
        PrintSet.FontCharset = 134;
    }
    void TearDown() override {
        PrintSet = saved_;
        platform::SetCurrentPrinter("");
    }

    // Prints the receipt and waits until the queue has written it; the PDF's path.
    static std::string Print(const std::string& text,
                             const std::string& queueFile = "receipt.pdf") {
        std::string output = folder_->File(queueFile);
        std::filesystem::remove(output);
        PrintReceipt(text);
        EXPECT_TRUE(PrivateCups::WaitForJob(output)) << "the job never reached " << output;
        return output;
    }

    static std::vector<std::string> Fonts(const std::string& pdf) {
        std::vector<std::string> names;
        std::istringstream lines(Tool({"pdffonts", pdf}));
        std::string line;
        for (int i = 0; std::getline(lines, line); ++i) {
            if (i >= 2 && !line.empty()) {  // after the heading and its rule
                names.push_back(line.substr(0, line.find(' ')));
            }
        }
        return names;
    }

    // The height of the first word on the page, in points.
    static double FirstWordHeight(const std::string& pdf) {
        std::string html = Tool({"pdftotext", "-bbox", pdf, "-"});
        std::smatch m;
        std::regex word(
            R"re(<word xMin="[\d.]+" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">)re");
        if (!std::regex_search(html, m, word)) {
            ADD_FAILURE() << "no word in " << pdf;
            return 0;
        }
        return std::stod(m[2]) - std::stod(m[1]);
    }

    static inline std::unique_ptr<TestFolder> folder_;
    static inline std::unique_ptr<PrivateCups> cups_;
    static inline std::string missing_;
    TPrintSet saved_;
};

const std::string kReceipt =
    "海川超市 付款凭证\r\n商户名称：海川超市\r\n收银员：01\r\n订单号：4200000123\r\n"
    "金额：12.50元\r\n";

TEST_F(CupsPrinting, TheReceiptReachesTheDefaultPrinterInTheCharsetsFont) {
    std::string pdf = Print(kReceipt);
    std::string text = Tool({"pdftotext", "-layout", pdf, "-"});
    size_t at = 0;
    for (const char* line : {"海川超市 付款凭证", "商户名称：海川超市", "收银员：01",
                             "订单号：4200000123", "金额：12.50元"}) {
        size_t found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " missing or out of order in\n" << text;
        at = found;
    }
    // 宋体 is not installed: the GB2312 charset puts every character, digits too, in a font
    // that has the Chinese ones.
    QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    ASSERT_FALSE(chinese.isEmpty()) << "no Chinese font installed (fonts-wqy-microhei)";
    for (const auto& font : Fonts(pdf)) {
        EXPECT_NE(font.find(WithoutBlanks(chinese.front().toStdString())), std::string::npos)
            << font;
    }
}

TEST_F(CupsPrinting, FontSizeAndFaceChangeThePrint) {
    double small = FirstWordHeight(Print(kReceipt));
    PrintSet.FontSize = 18;
    double large = FirstWordHeight(Print(kReceipt));
    EXPECT_GT(large, small * 1.6) << small << " against " << large;

    if (!QFontDatabase::hasFamily("DejaVu Serif") || !QFontDatabase::hasFamily("DejaVu Sans")) {
        GTEST_SKIP() << "the DejaVu fonts are not installed";
    }
    PrintSet.FontCharset = 0;
    PrintSet.FontName = "DejaVu Serif";
    std::vector<std::string> serif = Fonts(Print("Total 12.50"));
    PrintSet.FontName = "DejaVu Sans";
    std::vector<std::string> sans = Fonts(Print("Total 12.50"));
    ASSERT_EQ(serif.size(), 1u);
    ASSERT_EQ(sans.size(), 1u);
    EXPECT_NE(serif[0].find("DejaVuSerif"), std::string::npos) << serif[0];
    EXPECT_NE(sans[0].find("DejaVuSans"), std::string::npos) << sans[0];
}

TEST_F(CupsPrinting, LongReceiptsTakeMorePagesAndWideLinesWrap) {
    std::string text;
    for (int i = 1; i <= 200; ++i) {
        text += "line " + std::to_string(i) + "\n";
    }
    text += std::string(400, '7') + "\n";
    std::string pdf = Print(text);
    std::string info = Tool({"pdfinfo", pdf});
    std::smatch pages;
    ASSERT_TRUE(std::regex_search(info, pages, std::regex(R"(Pages:\s+(\d+))")));
    EXPECT_GE(std::stoi(pages[1]), 3);

    std::string printed = Tool({"pdftotext", pdf, "-"});
    EXPECT_LT(printed.find("line 199"), printed.find("line 200"));
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '7'),
              400 + std::count(text.begin(), text.begin() + text.find(std::string(400, '7')), '7'));
    EXPECT_EQ(printed.find(std::string(400, '7')), std::string::npos);  // not on one line
}

TEST_F(CupsPrinting, TheCurrentPrinterIsTheOneChosenForTheProcess) {
    std::vector<std::string> installed = platform::InstalledPrinters();
    EXPECT_NE(std::find(installed.begin(), installed.end(), "Receipt"), installed.end());
    EXPECT_NE(std::find(installed.begin(), installed.end(), "Kitchen"), installed.end());
    EXPECT_EQ(platform::DefaultPrinter(), "Receipt");
    EXPECT_EQ(platform::CurrentPrinter(), "Receipt");

    platform::SetCurrentPrinter("Kitchen");
    std::filesystem::remove(folder_->File("receipt.pdf"));
    std::string pdf = Print("收银员：02", "kitchen.pdf");
    EXPECT_NE(Tool({"pdftotext", pdf, "-"}).find("收银员：02"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder_->File("receipt.pdf")));

    // A printer that has gone away prints nothing and tells nobody.
    platform::SetCurrentPrinter("Gone");
    std::filesystem::remove(folder_->File("receipt.pdf"));
    std::filesystem::remove(folder_->File("kitchen.pdf"));
    PrintReceipt("收银员：03");
    EXPECT_FALSE(PrivateCups::JobsPending());
    EXPECT_FALSE(std::filesystem::exists(folder_->File("receipt.pdf")));
    EXPECT_FALSE(std::filesystem::exists(folder_->File("kitchen.pdf")));

    platform::SetCurrentPrinter("");
    EXPECT_EQ(platform::CurrentPrinter(), "Receipt");
    Print("收银员：04");
    EXPECT_FALSE(std::filesystem::exists(folder_->File("kitchen.pdf")));
}

}  // namespace
