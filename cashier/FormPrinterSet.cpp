#include "FormPrinterSet.h"

#include <QLabel>
#include <QListWidget>

#include "DialogLook.h"
#include "DialogMessages.h"
#include "MessageBox.h"
#include "Printers.h"
#include "QzColors.h"
#include "QzRuntimeGlobal.h"

using namespace platform;

namespace {

constexpr int kWidth = 430;
constexpr int kHeight = 512;
constexpr int kBandHeight = 80;
constexpr int kTipHeight = 41;
constexpr int kNotesHeight = 60;

// The rows before the installed printers.
constexpr int kNoPrinterRow = 0;
constexpr int kPortPrinterRow = 1;
constexpr int kFirstPrinterRow = 2;

const QColor kLightGreen(0xE8, 0xF5, 0xE0);

constexpr const char* kErrorPrefix = "设置打印机错误:";

}  // namespace

TForm_Printer_Set::TForm_Printer_Set(QWidget* owner) : TForm_Enter_Cancel(owner) {
    setObjectName("Form_Printer_Set");
    // The list takes the keys: Tab must not move the focus from it to the form.
    setFocusPolicy(Qt::NoFocus);
    BuildLayout();
    Publish("Execute", [this](const Variant&, Variant&) { ShowModal(); });

    // FormCreate
    PanelTip->setText(
        QString::fromStdString("选择完成按Enter保存，取消按" + ShortCutSet.ShortCutCancel + "。"));
    FillPrinterList();
}

void TForm_Printer_Set::BuildLayout() {
    SetUpDialog(this, "打印机设置", kWidth, kHeight, Qt::white);

    QWidget* band = MakeTopBand(this, kWidth);
    MakeBanner(band, kWidth);
    MakeBandTitle(band, kWidth, "请选择默认打印机")->setObjectName("LabelTip");

    PanelTip = new QLabel(this);
    PanelTip->setObjectName("PanelTip");
    PanelTip->setGeometry(0, kBandHeight, kWidth, kTipHeight);
    PanelTip->setAlignment(Qt::AlignCenter);
    PaintPanel(PanelTip, kLightGreen, QColor(0x80, 0x80, 0x80));

    auto* notes = new QWidget(this);
    notes->setObjectName("Panel2");
    notes->setGeometry(0, kBandHeight + kTipHeight, kWidth, kNotesHeight);
    PaintPanel(notes, Qt::white, Qt::red);
    const struct {
        const char* name;
        const char* text;
    } lines[] = {
        {"Label3", "注：1.不需要打印小票，请选择“不设置打印机”。"},
        {"Label4", "    2.“免驱动打印机”默认为LPT1端口，端口可在配置文件中修改。"},
    };
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(QString::fromUtf8(lines[i].text), notes);
        label->setObjectName(lines[i].name);
        label->setGeometry(12, 8 + i * 24, kWidth - 24, 20);
    }

    const int top = kBandHeight + kTipHeight + kNotesHeight;
    lstPrinters = new QListWidget(this);
    lstPrinters->setObjectName("lstPrinters");
    lstPrinters->setGeometry(0, top, kWidth, kHeight - top);
    lstPrinters->setSelectionMode(QAbstractItemView::SingleSelection);
    lstPrinters->setStyleSheet("QListWidget::item { height: 14px; }");
}

QWidget* TForm_Printer_Set::FocusOnShow() {
    return lstPrinters;
}

void TForm_Printer_Set::FillPrinterList() {
    lstPrinters->clear();
    lstPrinters->addItem("不设置打印机");
    lstPrinters->addItem("免驱动打印机（默认LPT1端口）");
    SetCurrentPrinter("");  // back to the default printer
    for (const std::string& printer : InstalledPrinters()) {
        lstPrinters->addItem(QString::fromStdString(printer));
    }

    lstPrinters->clearSelection();
    lstPrinters->setCurrentRow(-1);
    int row = -1;
    if (PrintSet.PrinterType == 0) {
        row = kNoPrinterRow;
    } else if (PrintSet.PrinterType == 1) {
        row = kPortPrinterRow;
    } else {
        const QString stored = QString::fromStdString(PrintSet.PrinterName);
        for (int i = 0; i < lstPrinters->count() && row < 0; ++i) {
            if (lstPrinters->item(i)->text() == stored) {
                row = i;
            }
        }
    }
    if (row >= 0) {
        lstPrinters->setCurrentRow(row);
    }
}

int TForm_Printer_Set::SelectedRow() const {
    const QList<QListWidgetItem*> selected = lstPrinters->selectedItems();
    return selected.isEmpty() ? -1 : lstPrinters->row(selected.front());
}

void TForm_Printer_Set::SavePrinterChoice() {
    GuardDialogStep(
        this,
        [this] {
            const int row = SelectedRow();
            if (row < kPortPrinterRow) {
                PrintSet.PrinterType = 0;
            } else if (row == kPortPrinterRow) {
                PrintSet.PrinterType = 1;
            } else {
                PrintSet.PrinterType = 2;
                PrintSet.PrinterName = lstPrinters->item(row)->text().toStdString();
                SetWindowsDefaultPrinter(row - kFirstPrinterRow);
            }
            SavePrintSet();
            MessageBoxA(this, "设置打印机成功!", "完成", MB_ICONINFORMATION);
            Close();
        },
        kErrorPrefix);
}

void TForm_Printer_Set::SetWindowsDefaultPrinter(int Index) {
    GuardDialogStep(
        this,
        [this, Index] {
            const std::string printer =
                lstPrinters->item(Index + kFirstPrinterRow)->text().toStdString();
            SetCurrentPrinter(printer);
            // What the print service's clients ask for when they name no printer, so the choice
            // outlives this run; they read it when they ask, so nobody needs telling.
            SetDefaultPrinter(printer);
        },
        kErrorPrefix);
}
