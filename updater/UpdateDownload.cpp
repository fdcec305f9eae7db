#include "UpdateDownload.h"

#include "QzErrors.h"

bool DownLoadFile(const std::string&, const std::string&, TTransferEvents&, const TShowStatus&,
                  const TTransferLimits&) {
    throw Exception("not built yet");
}
bool HttpDownLoad(const std::string&, const std::string&, TTransferEvents&,
                  const TTransferLimits&) {
    throw Exception("not built yet");
}
bool FtpDownLoad(const std::string&, const std::string&, TTransferEvents&, const TShowStatus&,
                 const TTransferLimits&) {
    throw Exception("not built yet");
}
std::string HttpGetToMemory(const std::string&, TTransferEvents&, const TTransferLimits&) {
    throw Exception("not built yet");
}
void SaveVersionFile(const std::string&, const std::string&) {
    throw Exception("not built yet");
}
