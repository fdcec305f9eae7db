#include "Printers.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextBoundaryFinder>

#include <cups/cups.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace platform {
namespace {

// The printer chosen for this process; empty means the user's default.
std::string& ChosenPrinter() {
    static std::string name;
    return name;
}

QFontDatabase::WritingSystem WritingSystemOfCharset(int charset) {
    switch (charset & 0xFF) {
        case 128:
            return QFontDatabase::Japanese;
        case 129:
            return QFontDatabase::Korean;
        case 134:
            return QFontDatabase::SimplifiedChinese;
        case 136:
            return QFontDatabase::TraditionalChinese;
        default:
            return QFontDatabase::Any;
    }
}

QFont MakeFont(const PrintFont& font) {
    QStringList families{QString::fromStdString(font.face)};
    // The faces the tills name (宋体 and the like) are seldom installed here; without a
    // fallback of the charset's script every character would come from a Latin default.
    QFontDatabase::WritingSystem script = WritingSystemOfCharset(font.charset);
    if (script != QFontDatabase::Any) {
        QStringList scriptFamilies = QFontDatabase::families(script);
        if (!scriptFamilies.isEmpty()) {
            families << scriptFamilies.front();
        }
    }
    QFont result;
    result.setFamilies(families);
    if (font.pointSize > 0) {
        result.setPointSize(font.pointSize);
    }
    return result;
}

// The pieces of a line, each as wide as fits on the page, broken between characters.
QStringList FitToWidth(const QString& line, const QFontMetrics& metrics, int width) {
    QStringList pieces;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, line);
    qsizetype start = 0;
    qsizetype end = 0;
    int advance = 0;
    for (qsizetype next = graphemes.toNextBoundary(); next > 0; next = graphemes.toNextBoundary()) {
        int step = metrics.horizontalAdvance(line.mid(end, next - end));
        // A piece holds one character at least, however narrow the page.
        if (end > start && advance + step > width) {
            pieces << line.mid(start, end - start);
            start = end;
            advance = 0;
        }
        advance += step;
        end = next;
    }
    pieces << line.mid(start);
    return pieces;
}

// The destinations CUPS lists, freed however the caller leaves.
class Destinations {
public:
    Destinations() : count_(cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_)) {}
    ~Destinations() { cupsFreeDests(count_, dests_); }
    Destinations(const Destinations&) = delete;
    Destinations& operator=(const Destinations&) = delete;

    cups_dest_t* Find(const std::string& name) {
        return cupsGetDest(name.c_str(), nullptr, count_, dests_);
    }
    // Marks one destination as the default and every other one as not.
    void MarkDefault(const cups_dest_t* chosen) {
        for (int i = 0; i < count_; ++i) {
            dests_[i].is_default = &dests_[i] == chosen ? 1 : 0;
        }
    }
    // False when the options file cannot be written; errno tells why.
    bool Save() {
        errno = 0;
        return cupsSetDests2(CUPS_HTTP_DEFAULT, count_, dests_) == 0;
    }

private:
    cups_dest_t* dests_ = nullptr;
    int count_ = 0;
};

// Ends the document whatever happened while drawing it; ending hands the job to the spooler.
class PrintJob {
public:
    explicit PrintJob(QPrinter& printer) {
        if (!painter_.begin(&printer)) {
            throw std::runtime_error("Printer is not currently printing");
        }
    }
    ~PrintJob() { painter_.end(); }
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;
    QPainter& painter() { return painter_; }

private:
    QPainter painter_;
};

}  // namespace

std::vector<std::string> InstalledPrinters() {
    std::vector<std::string> names;
    for (const QString& name : QPrinterInfo::availablePrinterNames()) {
        names.push_back(name.toStdString());
    }
    return names;
}

std::string DefaultPrinter() {
    return QPrinterInfo::defaultPrinterName().toStdString();
}

std::string CurrentPrinter() {
    return ChosenPrinter().empty() ? DefaultPrinter() : ChosenPrinter();
}

void SetCurrentPrinter(const std::string& name) {
    ChosenPrinter() = name;
}

void SetDefaultPrinter(const std::string& name) {
    Destinations dests;
    cups_dest_t* chosen = dests.Find(name);
    if (!chosen) {
        throw std::runtime_error("Printer selected is not valid");
    }
    dests.MarkDefault(chosen);
    if (!dests.Save()) {
        std::string why = errno != 0 ? std::strerror(errno) : cupsLastErrorString();
        throw std::runtime_error("Unable to make " + name + " the default printer: " + why);
    }
}

void PrintTextLines(const std::vector<std::string>& lines, const PrintFont& font) {
    std::string name = CurrentPrinter();
    if (name.empty()) {
        throw std::runtime_error("There is no default printer currently selected");
    }
    // Qt quietly swaps an unknown name for the default printer or a PDF file; a receipt meant
    // for a printer that has gone must not come out of another one.
    const QString printerName = QString::fromStdString(name);
    if (QPrinterInfo::printerInfo(printerName).isNull()) {
        throw std::runtime_error("Printer selected is not valid");
    }
    QPrinter printer(QPrinter::PrinterResolution);
    printer.setPrinterName(printerName);
    if (!printer.isValid() || printer.outputFormat() != QPrinter::NativeFormat ||
        printer.printerName() != printerName) {
        throw std::runtime_error("Printer selected is not valid");
    }
    PrintJob job(printer);
    QPainter& painter = job.painter();
    painter.setFont(MakeFont(font));
    const QFontMetrics metrics = painter.fontMetrics();
    const int pageWidth = printer.width();
    const int pageHeight = printer.height();
    int y = 0;
    for (const std::string& line : lines) {
        for (const QString& piece : FitToWidth(QString::fromStdString(line), metrics, pageWidth)) {
            int pitch = piece.isEmpty() ? metrics.height() : metrics.height() + 2;
            if (y > 0 && y + pitch > pageHeight) {
                printer.newPage();
                y = 0;
            }
            painter.drawText(0, y + metrics.ascent(), piece);
            y += pitch;
        }
    }
}

}  // namespace platform
