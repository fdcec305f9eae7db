#include <QLabel>
#include <QListWidget>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "ChildProcess.h"
#include "Printers.h"
#include "PrivateCups.h"
#include "QzLog.h"
#include "SettingsDialogFixture.h"
#include "TestFolder.h"

using namespace platform;

namespace {

constexpr const char* kCaption = "打印机设置";
constexpr const char* kSaved = "设置打印机成功!";

// The configuration file before the dialog saves: every section the client keeps, and a key in
// the print section that saving must drop.
const std::string kConfigBefore =
    "[系统设置]\r\nLogLevel=0\r\nBaseUrl=http://127.0.0.1:1\r\n"
    "[打印设置]\r\nPrinterType=0\r\nPrinterPort=LPT1\r\nPrinterName=Kitchen\r\nFontName=宋体\r\n"
    "FontSize=9\r\nFontCharset=134\r\nObsolete=1\r\n"
    "[快捷键设置]\r\nShortCutHideOrShow=ESC\r\nShortCutExit=0\r\nShortCutCancel=ESC\r\n";

// Three queues on a print server of the suite's own. The server's default is the last one, so
// that a choice of the first one shows.
class PrinterSettings : public SettingsDialogFixture {
public:
    static void SetUpTestSuite() {
        SettingsDialogFixture::SetUpTestSuite();
        missing_ = PrivateCups::MissingTool();
        // One server for the whole run: the print client keeps the first server it was told
        // of for the life of the process.
        if (!missing_.empty() || cups_) {
            return;
        }
        cupsFolder_ = std::make_unique<TestFolder>();
        cups_ = std::make_unique<PrivateCups>(cupsFolder_->Path());
        for (const char* queue : {"Counter", "Kitchen", "Office"}) {
            cups_->AddQueue(queue, Output(queue));
        }
        cups_->SetDefault("Office");
    }
    static void StopCups() {
        cups_.reset();
        cupsFolder_.reset();
    }

protected:
    void SetUp() override {
        SettingsDialogFixture::SetUp();
        if (!missing_.empty()) {
            GTEST_SKIP() << missing_ << " is not installed (scripts/setup.sh installs it)";
        }
        // Every test starts with no choice of the user's: the server's default counts.
        for (const char* options : {"lpoptions", ".cups/lpoptions"}) {
            std::filesystem::remove_all(cups_->ClientFolder() + options);
        }
        folder_.Write("Config/Config.ini", Gbk(kConfigBefore));
        PrintSet.PrinterName = "Kitchen";
    }

    static std::string Output(const std::string& queue) {
        return cupsFolder_->File(queue + ".pdf");
    }

    // The rows of the list as the dialog shows them.
    static std::vector<std::string> Rows(Form& f) {
        auto* list = f.findChild<QListWidget*>("lstPrinters");
        std::vector<std::string> rows;
        for (int i = 0; i < list->count(); ++i) {
            rows.push_back(list->item(i)->text().toStdString());
        }
        return rows;
    }
    static int Selected(Form& f) {
        auto* list = f.findChild<QListWidget*>("lstPrinters");
        const auto selected = list->selectedItems();
        return selected.isEmpty() ? -1 : list->row(selected.front());
    }
    // Moves the selection to a row with the keys, then presses Enter.
    static void ChooseRow(Form& f, int row) {
        Press(f, Qt::Key_Home);
        for (int i = 0; i < row; ++i) {
            Press(f, Qt::Key_Down);
        }
        EXPECT_EQ(Selected(f), row);
        Press(f, Qt::Key_Return);
    }

    std::string ConfigText() const { return folder_.Read("Config/Config.ini"); }
    // The print section as saving writes it, with the given type and name.
    static std::string SavedPrintSection(int type, const std::string& name) {
        return Gbk("[打印设置]\r\nPrinterType=" + std::to_string(type) +
                   "\r\nPrinterPort=LPT1\r\nPrinterName=" + name +
                   "\r\nFontName=宋体\r\nFontSize=9\r\nFontCharset=134\r\n");
    }
    void ExpectOtherSectionsKept() const {
        const std::string text = ConfigText();
        EXPECT_NE(text.find(Gbk("[系统设置]\r\nLogLevel=0\r\nBaseUrl=http://127.0.0.1:1\r\n")),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find(Gbk("[快捷键设置]\r\nShortCutHideOrShow=ESC\r\nShortCutExit=0\r\n"
                                "ShortCutCancel=ESC\r\n")),
                  std::string::npos)
            << text;
    }

    static inline std::unique_ptr<TestFolder> cupsFolder_;
    static inline std::unique_ptr<PrivateCups> cups_;
    static inline std::string missing_;
};

// Stops the print server once every suite has run.
class StopCupsAtTheEnd : public ::testing::Environment {
    void TearDown() override { PrinterSettings::StopCups(); }
};
const auto* const kStopCups = ::testing::AddGlobalTestEnvironment(new StopCupsAtTheEnd);

TEST_F(PrinterSettings, ListsTheTwoFixedRowsThenThePrintersInTheOrderCupsListsThem) {
    std::vector<std::string> expected{"不设置打印机", "免驱动打印机（默认LPT1端口）"};
    std::istringstream listed(RunProgram({"lpstat", "-e"}).out);
    for (std::string line; std::getline(listed, line);) {
        expected.push_back(line);
    }
    ASSERT_EQ(expected.size(), 5u);
    Then(kCaption, [&](Form& f) {
        EXPECT_EQ(Rows(f), expected);
        EXPECT_EQ(f.size(), QSize(430, 512));
        EXPECT_EQ(f.findChild<QLabel*>("PanelTip")->text().toStdString(),
                  "选择完成按Enter保存，取消按ESC。");
        EXPECT_EQ(f.ActiveControlName(), "lstPrinters");
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Printer_Set");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PrinterSettings, TabLeavesTheFocusInTheList) {
    Then(kCaption, [](Form& f) {
        Press(f, Qt::Key_Tab);
        EXPECT_EQ(f.ActiveControlName(), "lstPrinters");
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Printer_Set");
}

struct Preselection {
    const char* name;
    int type;
    const char* printerName;
    int row;  // -1: nothing selected
};

class PrinterPreselection : public PrinterSettings,
                            public ::testing::WithParamInterface<Preselection> {};

TEST_P(PrinterPreselection, SelectsTheStoredChoice) {
    PrintSet.PrinterType = GetParam().type;
    PrintSet.PrinterName = GetParam().printerName;
    Then(kCaption, [](Form& f) {
        EXPECT_EQ(Selected(f), GetParam().row);
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Printer_Set");
}

INSTANTIATE_TEST_SUITE_P(
    , PrinterPreselection,
    ::testing::Values(Preselection{"NoPrinter", 0, "Kitchen", 0},
                      Preselection{"PortPrinterWhateverTheName", 1, "Kitchen", 1},
                      Preselection{"InstalledPrinterByName", 2, "Kitchen", 3},
                      Preselection{"NameComparedWithCase", 2, "kitchen", -1},
                      Preselection{"PrinterNoLongerInstalled", 2, "Gone", -1},
                      Preselection{"AnyOtherTypeLooksForTheName", 7, "Office", 4},
                      Preselection{"NameOfAFixedRowFindsThatRow", 2, "不设置打印机", 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct Choice {
    const char* name;
    int row;
    int type;
    const char* storedName;
    const char* clientDefault;
};

class PrinterChoice : public PrinterSettings, public ::testing::WithParamInterface<Choice> {};

TEST_P(PrinterChoice, EnterStoresTheRowAndOnlyAPrinterBecomesTheDefault) {
    const Choice& choice = GetParam();
    Then(kCaption, [&](Form& f) { ChooseRow(f, choice.row); });
    Run("TForm_Printer_Set");

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].call.text, kSaved);
    EXPECT_EQ(boxes[0].call.caption, "完成");
    EXPECT_EQ(boxes[0].call.flags, 0x40u);
    EXPECT_EQ(PrintSet.PrinterType, choice.type);
    EXPECT_EQ(PrintSet.PrinterName, choice.storedName);
    EXPECT_EQ(PrivateCups::ClientDefault(), choice.clientDefault);
    EXPECT_EQ(CurrentPrinter(), choice.clientDefault);
    const std::string text = ConfigText();
    EXPECT_NE(text.find(SavedPrintSection(choice.type, choice.storedName)), std::string::npos)
        << text;
    EXPECT_EQ(text.find("Obsolete"), std::string::npos) << "the section is written anew";
    ExpectOtherSectionsKept();
}

INSTANTIATE_TEST_SUITE_P(, PrinterChoice,
                         ::testing::Values(Choice{"NoPrinter", 0, 0, "Kitchen", "Office"},
                                           Choice{"PortPrinter", 1, 1, "Kitchen", "Office"},
                                           Choice{"FirstPrinter", 2, 2, "Counter", "Counter"},
                                           Choice{"LastPrinter", 4, 2, "Office", "Office"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PrinterSettings, AFreshClientPrintsOnThePrinterChosen) {
    Then(kCaption, [](Form& f) { ChooseRow(f, 2); });
    Run("TForm_Printer_Set");
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{kSaved});

    for (const char* queue : {"Counter", "Kitchen", "Office"}) {
        std::filesystem::remove(Output(queue));
    }
    ProgramResult printed =
        RunProgram({PRINT_RECEIPT_EXE, folder_.File("Config/Config.ini"), "收银员：01"});
    ASSERT_EQ(printed.status, 0);
    ASSERT_TRUE(PrivateCups::WaitForJob(Output("Counter"))) << "nothing reached Counter";
    EXPECT_NE(RunProgram({"pdftotext", Output("Counter"), "-"}).out.find("收银员：01"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Output("Office")));
}

TEST_F(PrinterSettings, ARemovedPrinterSelectsNothingAndEnterStoresNoPrinter) {
    cups_->AddQueue("Spare", Output("Spare"));
    cups_->RemoveQueue("Spare");
    PrintSet.PrinterType = 2;
    PrintSet.PrinterName = "Spare";
    Then(kCaption, [](Form& f) {
        EXPECT_EQ(Rows(f).size(), 5u);
        EXPECT_EQ(Selected(f), -1);
        Press(f, Qt::Key_Return);
    });
    Run("TForm_Printer_Set");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kSaved});
    EXPECT_EQ(PrintSet.PrinterType, 0);
    EXPECT_NE(ConfigText().find(SavedPrintSection(0, "Spare")), std::string::npos)
        << "the old name stays";
    EXPECT_EQ(PrivateCups::ClientDefault(), "Office");
}

TEST_F(PrinterSettings, ADefaultThatCannotBeWrittenIsShownThenTheChoiceIsSaved) {
    // A folder where the options file should be: nobody, root included, can write it.
    for (const char* options : {"lpoptions", ".cups/lpoptions"}) {
        std::filesystem::create_directories(cups_->ClientFolder() + options);
    }
    Then(kCaption, [](Form& f) { ChooseRow(f, 2); });
    Run("TForm_Printer_Set");

    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].call.caption, "错误");
    EXPECT_EQ(boxes[0].call.text.rfind("设置打印机错误:", 0), 0u) << boxes[0].call.text;
    EXPECT_NE(boxes[0].call.text.find("Counter"), std::string::npos) << boxes[0].call.text;
    EXPECT_TRUE(boxes[0].dialogOpen);
    EXPECT_EQ(boxes[1].call.text, kSaved);
    EXPECT_EQ(boxes[1].call.caption, "完成");
    EXPECT_NE(LogText().find(boxes[0].call.text.substr(std::string("设置打印机错误:").size())),
              std::string::npos)
        << LogText();
    EXPECT_EQ(PrintSet.PrinterType, 2);
    EXPECT_NE(ConfigText().find(SavedPrintSection(2, "Counter")), std::string::npos);
    EXPECT_EQ(CurrentPrinter(), "Counter") << "this process prints there all the same";
}

TEST_F(PrinterSettings, ASaveThatFailsIsShownAndTheDialogStaysOpen) {
    ConfigIni = std::make_unique<TIniFile>(folder_.File("NoSuchFolder/Config.ini"));
    Then(kCaption, [this](Form& f) {
        ChooseRow(f, 1);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].call.text,
                  "设置打印机错误:Unable to write to " + folder_.File("NoSuchFolder/Config.ini"));
        EXPECT_EQ(boxes[0].call.caption, "错误");
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(PrintSet.PrinterType, 1) << "the choice stays in memory";
        Press(f, Qt::Key_Escape);
    });
    Run("TForm_Printer_Set");
    EXPECT_NE(LogText().find("Unable to write to"), std::string::npos);
}

TEST_F(PrinterSettings, TheCancelKeyClosesWithoutSaving) {
    ShortCutSet.ShortCutCancel = "F12";
    Then(kCaption, [](Form& f) {
        EXPECT_EQ(f.findChild<QLabel*>("PanelTip")->text().toStdString(),
                  "选择完成按Enter保存，取消按F12。");
        Press(f, Qt::Key_Down);
        Press(f, Qt::Key_Escape);  // no longer the cancel key
        EXPECT_TRUE(f.isVisible());
        Press(f, Qt::Key_F12);
    });
    Run("TForm_Printer_Set");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(PrintSet.PrinterType, 0);
    EXPECT_EQ(ConfigText(), Gbk(kConfigBefore));
    EXPECT_EQ(PrivateCups::ClientDefault(), "Office");
}

}  // namespace
