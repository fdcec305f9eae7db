#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Form.h"
#include "UpdateOperations.h"

class QLabel;
class QProgressBar;

// The pauses that pace the update, so that a person can read every status line. Tests shorten
// them.
struct TStatusPace {
    int HoldMs = 2000;   // after every status line
    int ExtraMs = 1000;  // after the first line, the caption change and the success line
};

// The update window: it runs the whole update inside StartUpdate, shows each step on the status
// line and the two bars, and keeps every status line for Update.log, written when the window is
// destroyed.
class TForm_Main : public platform::Form, private TTransferEvents, private TUnzipEvents {
public:
    explicit TForm_Main(QWidget* owner);
    TForm_Main(QWidget* owner, std::string exeDir, std::unique_ptr<TUpdateOperations> operations,
               TStatusPace pace);
    ~TForm_Main() override;

    // in: ignored; out: true only when every step succeeded.
    void StartUpdate(const platform::Variant& in, platform::Variant& out);

    // The steps, in the order StartUpdate runs them; each sets out to true when it succeeds.
    void CheckVer(const platform::Variant& in, platform::Variant& out);
    void DownLoadFiles(const platform::Variant& in, platform::Variant& out);
    void UnZipFiles(const platform::Variant& in, platform::Variant& out);
    void StopOld(const platform::Variant& in, platform::Variant& out);
    void BackUpOld(const platform::Variant& in, platform::Variant& out);
    void SetupNew(const platform::Variant& in, platform::Variant& out);
    void StartNew(const platform::Variant& in, platform::Variant& out);
    void DeleteTmp(const platform::Variant& in, platform::Variant& out);

    // Shows and logs PendingStatus, then holds it.
    void ShowStatus();

protected:
    void FormClose(platform::CloseAction& action) override;

private:
    // The transfers' reports (the version file and the package, over HTTP or FTP alike).
    void WorkBegin(int64_t workCountMax) override;
    void Work(int64_t workCount) override;
    void WorkEnd() override;
    // The unpacking's reports.
    void StartUnZipInfo() override;
    void TotalPercentDone(int percent) override;
    void UnZipComplete() override;

    void Pause(int ms);
    void ShowLine(const std::string& line);
    TShowStatus StatusShower();
    // The start of a local step: PBNow emptied and its start line shown.
    void BeginLocalStep(const char* startLine);
    // The end of a local step's work: PBNow full, two more steps of PBAll, then its last line.
    void EndLocalStep(const char* doneLine);
    // A step's work; an error that escapes it shows the step's error line and fails it.
    void RunStep(platform::Variant& out, const char* errorPrefix,
                 const std::function<bool()>& work);
    void SetNowRange(int64_t maximum);
    void SetNowPosition(int64_t position);
    void StepAll();
    void AskToEnd();
    void SaveStatusLog() const;

    QLabel* Image1;
    QLabel* PanelInfo;
    QLabel* Label1;
    QProgressBar* PBNow;
    QLabel* Label2;
    QProgressBar* PBAll;

    std::string ExeDir;
    std::vector<std::string> StatusLog;
    std::string PendingStatus;

    std::unique_ptr<TUpdateOperations> operations_;
    TStatusPace pace_;
    // PBNow counts bytes, which may not fit the bar's range: the bar shows them divided by this.
    int64_t nowMaximum_ = 0;
    int64_t nowScale_ = 1;
    int lastPercent_ = -1;
};
