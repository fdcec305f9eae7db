#include "QzPrint.h"

#include "PortDevice.h"
#include "Printers.h"
#include "QzErrors.h"
#include "QzRuntimeGlobal.h"
#include "TextCodec.h"

namespace {

// A receipt takes up at least this many lines, so the paper is fed past the tear bar.
constexpr size_t kReceiptLines = 28;

constexpr int kPortPrinter = 1;
constexpr int kWindowsPrinter = 2;

}  // namespace

std::vector<std::string> ReceiptLines(const std::string& Text) {
    std::string_view text(Text);
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    if (lines.size() < kReceiptLines) {
        lines.resize(kReceiptLines);
    }
    return lines;
}

void PrintToPort(const std::vector<std::string>& Lines) {
    std::string bytes;
    for (const std::string& line : Lines) {
        bytes += platform::Utf8ToGbk(line);
        bytes += "\r\n";
    }
    if (!platform::WriteToPort(PrintSet.PrinterPort, bytes)) {
        throw EInOutError("Cannot print to " + PrintSet.PrinterPort);
    }
}

void PrintToWindowsPrinter(const std::vector<std::string>& Lines) {
    // The receipt prints what a till keeping its text in code page 936 would print.
    std::vector<std::string> lines;
    lines.reserve(Lines.size());
    for (const std::string& line : Lines) {
        lines.push_back(platform::ThroughGbk(line));
    }
    platform::PrintTextLines(lines, {PrintSet.FontName, PrintSet.FontSize, PrintSet.FontCharset});
}

void PrintReceipt(const std::string& Text) {
    try {
        std::vector<std::string> lines = ReceiptLines(Text);
        if (PrintSet.PrinterType == kPortPrinter) {
            PrintToPort(lines);
        } else if (PrintSet.PrinterType == kWindowsPrinter) {
            PrintToWindowsPrinter(lines);
        }
    } catch (...) {
        // A failed receipt must not stop a payment or refund that has already gone through.
    }
}
