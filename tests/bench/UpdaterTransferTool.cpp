// The updater's download or unpacking alone, for timing against the curl and unzip tools:
//   updater_transfer_tool download URL FILE
//   updater_transfer_tool unzip ARCHIVE FOLDER
// Prints the seconds the download or unpacking took, the program's own start left out (as the
// curl tool's time_total leaves out its own).
// Progress goes to a progress bar on a window (offscreen) with the window's messages processed
// on every report, as the update window does it, so the reports' cost is part of the time.
#include <QApplication>
#include <QProgressBar>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>

#include "PackageUnzip.h"
#include "Process.h"
#include "UpdateDownload.h"

namespace {

struct BarTransfer : TTransferEvents {
    explicit BarTransfer(QProgressBar& bar) : bar(bar) {}
    void WorkBegin(int64_t max) override { bar.setRange(0, static_cast<int>(max / 1024)); }
    void Work(int64_t count) override {
        bar.setValue(static_cast<int>(count / 1024));
        platform::ProcessMessages();
    }
    void WorkEnd() override { bar.setValue(bar.maximum()); }
    QProgressBar& bar;
};

struct BarUnzip : TUnzipEvents {
    explicit BarUnzip(QProgressBar& bar) : bar(bar) {}
    void StartUnZipInfo() override { bar.setRange(0, 100); }
    void TotalPercentDone(int percent) override {
        bar.setValue(percent);
        platform::ProcessMessages();
    }
    void UnZipComplete() override { bar.setValue(100); }
    QProgressBar& bar;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s download URL FILE | unzip ARCHIVE FOLDER\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QProgressBar bar;
    bar.show();
    const auto started = std::chrono::steady_clock::now();
    try {
        if (std::strcmp(argv[1], "download") == 0) {
            BarTransfer events(bar);
            HttpDownLoad(argv[2], argv[3], events);
        } else {
            BarUnzip events(bar);
            UnZipFiles(argv[2], argv[3], events);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("%.6f\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    return 0;
}
