// Prints one receipt as a freshly started till would: the print settings are read from a
// configuration file, the printer is whatever the print service names as the user's default.
//
//   print_receipt <Config.ini> <receipt text>

#include <QGuiApplication>

#include <cstdio>
#include <memory>

#include "QzPrint.h"
#include "QzRuntimeGlobal.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: print_receipt <Config.ini> <receipt text>\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    ConfigIni = std::make_unique<TIniFile>(argv[1]);
    LoadPrintSet();
    PrintReceipt(argv[2]);
    return 0;
}
