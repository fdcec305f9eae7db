#pragma once

#include <string>
#include <vector>

// Receipt printing. Every receipt the client prints is one text handed to PrintReceipt, which
// prints it as at least 28 lines on the printer PrintSet names: a printer on a port written to
// like a file (PrinterType 1) or an installed printer (PrinterType 2); any other type prints
// nothing. Printing never fails for the caller: a receipt that could not be printed is dropped
// without a word, and the dialog carries on.

void PrintReceipt(const std::string& Text);

// The lines, each followed by CR LF, as code page 936 bytes to PrintSet.PrinterPort; nothing
// else is sent. Raises when the port cannot be opened or written.
void PrintToPort(const std::vector<std::string>& Lines);

// The lines on the process's current printer in PrintSet's font. Raises when there is no
// printer or the job cannot be started.
void PrintToWindowsPrinter(const std::vector<std::string>& Lines);

// The receipt's lines as they go to the printer: split at CR LF, lone CR or lone LF, cut at a
// NUL, and filled with empty lines up to 28.
std::vector<std::string> ReceiptLines(const std::string& Text);
