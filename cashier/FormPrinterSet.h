#pragma once

#include "FormEnterCancel.h"

class QLabel;
class QListWidget;

// Where receipts go: nowhere, the port printer, or one of the installed printers, which then
// becomes this process's current printer and the user's default. Enter stores the selected row
// in the print settings and the configuration file; the cancel key leaves without storing.
class TForm_Printer_Set : public TForm_Enter_Cancel {
public:
    explicit TForm_Printer_Set(QWidget* owner);

    // The two fixed rows, then the installed printers; the stored choice selected.
    void FillPrinterList();
    void SavePrinterChoice();
    // Index counts in the list of installed printers, the first one 0.
    void SetWindowsDefaultPrinter(int Index);

protected:
    void EnterAct() override { SavePrinterChoice(); }
    QWidget* FocusOnShow() override;

private:
    void BuildLayout();
    int SelectedRow() const;

    QLabel* PanelTip;
    QListWidget* lstPrinters;
};
