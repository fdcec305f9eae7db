#pragma once

#include <string>
#include <vector>

// The installed printers and text print jobs, over CUPS through Qt Print Support.
namespace platform {

// The names of the installed printers, in the order the print service lists them.
std::vector<std::string> InstalledPrinters();

// The user's default printer; empty when there is none.
std::string DefaultPrinter();

// The printer text jobs go to: the one chosen last with SetCurrentPrinter, else the user's
// default. It belongs to this process only; an empty name goes back to the default.
std::string CurrentPrinter();
void SetCurrentPrinter(const std::string& name);

// Makes the printer the default of the user running the program, the system's when that is
// root (the lpoptions that cupsSetDests writes): every CUPS client asks for it when it names no
// printer, this program after a restart included. Raises std::runtime_error when the printer is
// not installed or the default cannot be written.
void SetDefaultPrinter(const std::string& name);

struct PrintFont {
    std::string face;
    int pointSize = 0;
    // A Windows character-set number; a CJK one (134 is GB2312) asks for a font that has the
    // characters when the face is not installed, as the Windows font mapper would.
    int charset = 0;
};

// Prints the lines as one job on the current printer: each line from the left edge of the
// printable area, the next below it (the text's height plus 2 device units, the font's height for
// an empty line), a line wider than the page continued below, a new page when the next line no
// longer fits. Raises std::runtime_error when there is no printer or the job cannot start.
void PrintTextLines(const std::vector<std::string>& lines, const PrintFont& font);

}  // namespace platform
