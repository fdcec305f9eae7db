#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

// The update window's handlers for one transfer: its begin with the expected total (0 when the
// server does not say: every FTP retrieval, an HTTP body without a length), the count received so
// far as the reads arrive (at most every 25 ms, and always the final count), and its end.
class TTransferEvents {
public:
    virtual ~TTransferEvents() = default;
    virtual void WorkBegin(int64_t workCountMax) = 0;
    virtual void Work(int64_t workCount) = 0;
    virtual void WorkEnd() = 0;
};

// Shows one status line in the update window (and its log) and holds it there.
using TShowStatus = std::function<void(const std::string& line)>;

// Bounds of a transfer. The defaults are what the updater uses; tests shorten them.
struct TTransferLimits {
    // A transfer that receives nothing for this long fails.
    std::chrono::milliseconds Stall{30000};
    // A transfer that receives fewer than FloorBytes in one FloorWindow fails: a server that
    // sends a byte every few seconds never falls silent for long, and would keep the updater
    // (and a till whose client has handed over) waiting for ever.
    int64_t FloorBytes = 1024;
    std::chrono::milliseconds FloorWindow{60000};
};

// A version file longer than this is no version file: its transfer fails instead of filling
// memory and the disk.
inline constexpr size_t kMaxVersionFileBytes = 1024 * 1024;

// By the URL's kind: HttpDownLoad or FtpDownLoad into LocalFile. Any other scheme shows
// "下载文件失败,不可识别的服务器地址:" + Url + "!" and gives false without fetching anything.
// "https" counts as HTTP, fetched over TLS 1.2 or later with the server's certificate and host
// checked. Errors of the HTTP download are raised (the calling step shows them).
// Every transfer lets the windows process their messages while it waits.
bool DownLoadFile(const std::string& url, const std::string& localFile, TTransferEvents& events,
                  const TShowStatus& showStatus, const TTransferLimits& limits = {});

// GET without a byte range into LocalFile, which replaces whatever stood at that name (a file, or
// a symbolic link: never written through) once the body has arrived whole. True on success;
// raises Exception with the reason otherwise (no connection, an error status, a stall, a
// certificate that fails its check, a full disk). A failed download leaves no file of its own
// behind, so nothing half-written is ever taken for a package.
bool HttpDownLoad(const std::string& url, const std::string& localFile, TTransferEvents& events,
                  const TTransferLimits& limits = {});

// Log-in with the URL's user and password (anonymous when it has none), active data connection,
// binary, one change of folder to the URL's path, then retrieval of its document into LocalFile.
// The file counts as fetched only once the server's reply that closes the transfer (the first
// whole reply after the one that opened it) is 226 or 250. Once the file is whole (all of the size
// the server gave for it), this side ends the data connection, so a server that holds it open is
// not waited for; one that gave no size, or sends no closing reply, is waited for no longer than
// the stall bound. On any failure of the transfer: the line "下载文件出现异常,异常信息:" + message
// + "!" shown, false, no file left; where the server refused, the message is its reply, in its
// own words. A local file that cannot be created raises Exception.
bool FtpDownLoad(const std::string& url, const std::string& localFile, TTransferEvents& events,
                 const TShowStatus& showStatus, const TTransferLimits& limits = {});

// The version file: GET of Url into memory, whatever its scheme; the bytes come back unchanged.
// Raises Exception with the reason when the transfer fails or the file is longer than
// kMaxVersionFileBytes.
std::string HttpGetToMemory(const std::string& url, TTransferEvents& events,
                            const TTransferLimits& limits = {});

// Saves the version file's bytes unchanged (as "verex.ini"), as a new file in the name's place: a
// symbolic link there is replaced, never written through. Raises Exception when the file cannot
// be written whole.
void SaveVersionFile(const std::string& fileName, const std::string& bytes);
