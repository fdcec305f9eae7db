#include "UpdateDownload.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <string_view>

#include "CurlSetup.h"
#include "FtpControlConnection.h"
#include "Process.h"
#include "QzErrors.h"
#include "UpdateUrl.h"
#include "WholeFile.h"

namespace {

// Large reads keep the progress reports (each one lets the window process its messages) far
// from what limits a download.
constexpr long kReadBufferBytes = 512 * 1024;
// While a transfer blocks, the windows still get their messages this often.
constexpr auto kMessageSlice = std::chrono::milliseconds(100);
// The count reaches the window at most this often (and always once at the end): a report
// repaints a progress bar, which on a fast network would cost more than the reads themselves.
constexpr auto kReportSlice = std::chrono::milliseconds(25);

// A download is the package, unpacked at once and fetched again after a crash: waiting for it
// to reach the disk would only slow it down.
constexpr auto kPackageSync = platform::FreshFile::Sync::Skipped;

enum class Kind { Http, Ftp };

// Where the body goes: a file, or memory.
class BodySink {
public:
    virtual ~BodySink() = default;
    // False when the bytes could not be kept; Error() says why.
    virtual bool Write(const char* data, size_t bytes) = 0;
    const std::string& Error() const { return error_; }

protected:
    std::string error_;
};

class MemorySink : public BodySink {
public:
    explicit MemorySink(size_t limit) : limit_(limit) {}
    bool Write(const char* data, size_t bytes) override {
        if (body.size() + bytes > limit_) {
            error_ = "Reply larger than " + std::to_string(limit_) + " bytes refused";
            return false;
        }
        body.append(data, bytes);
        return true;
    }
    std::string body;

private:
    size_t limit_;
};

// The local file of a download, written beside its name: it takes the name's place, replacing
// what stood there (a file, a symbolic link, never written through), only once the download
// finished (and, unless Sync::Skipped, every byte reached the disk). A download that fails
// leaves no file of its own.
class FileSink : public BodySink {
public:
    explicit FileSink(const std::string& fileName,
                      platform::FreshFile::Sync sync = platform::FreshFile::Sync::ToDisk)
        : fileName_(fileName), file_(fileName, sync) {
        if (!file_.IsOpen()) {
            throw Exception("Cannot create file \"" + fileName + "\". " +
                            std::strerror(file_.Error()));
        }
    }

    bool Write(const char* data, size_t bytes) override {
        if (file_.Write(std::string_view(data, bytes))) {
            return true;
        }
        error_ = WriteError();
        return false;
    }

    // Raises when the disk refused the last bytes.
    void Finish() {
        if (!file_.Commit()) {
            throw Exception(WriteError());
        }
    }

private:
    std::string WriteError() const {
        return "Error writing file \"" + fileName_ + "\". " + std::strerror(file_.Error());
    }

    std::string fileName_;
    platform::FreshFile file_;
};

struct CurlFree {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

// One transfer with its events: begin once the body starts (its expected total then known),
// the count as the reads arrive, end when it stops after a begin. An error raised by a handler
// ends the transfer and is raised again once libcurl has returned: it must not cross libcurl's
// C frames.
class Transfer {
public:
    Transfer(Kind kind, BodySink& sink, TTransferEvents& events, const TTransferLimits& limits)
        : kind_(kind),
          sink_(sink),
          events_(events),
          stall_(limits.Stall),
          watch_({.Silence = limits.Stall,
                  .FloorBytes = limits.FloorBytes,
                  .FloorWindow = limits.FloorWindow}) {
        platform::EnsureCurlGlobalInit();
        curl_.reset(curl_easy_init());
        if (!curl_) {
            throw Exception("Transfer could not be created");
        }
    }

    // Raises Exception with the reason when the transfer fails.
    void Run(const std::string& url, const std::string& user, const std::string& password) {
        CURL* curl = curl_.get();
        char errorText[CURL_ERROR_SIZE] = "";
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_PROXY, "");
        curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReadBufferBytes);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
        if (kind_ == Kind::Http) {
            curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
            curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
            curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
            platform::RequireVerifiedTls(curl);
        } else {
            curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
            // Without a user in the URL libcurl logs in as "anonymous".
            if (!user.empty()) {
                curl_easy_setopt(curl, CURLOPT_USERNAME, user.c_str());
                curl_easy_setopt(curl, CURLOPT_PASSWORD, password.c_str());
            }
            // Active mode: the server connects back to the address of the control connection.
            curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
            curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD,
                             static_cast<long>(CURLFTPMETHOD_SINGLECWD));
            curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, 0L);
            // Once the file is whole, what the server still owes (the end of the data
            // connection, its reply) is waited for no longer than the stall bound (libcurl
            // itself would wait for ever).
            const auto seconds = std::chrono::ceil<std::chrono::seconds>(stall_).count();
            curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                             static_cast<long>(std::max<decltype(seconds)>(seconds, 1)));
            control_.Watch(curl);
        }

        CURLcode code = curl_easy_perform(curl);
        if (code == CURLE_ABORTED_BY_CALLBACK && confirmed_) {
            code = CURLE_OK;
        }
        if (code == CURLE_OK && (!failure_.empty() || raised_)) {
            code = CURLE_WRITE_ERROR;
        }
        if (code == CURLE_OK && kind_ == Kind::Http) {
            CheckStatus();  // a reply without a body never reached OnBody
        }
        if (code == CURLE_OK && failure_.empty()) {
            Begin();
            Report();
            events_.WorkEnd();
            return;
        }
        if (begun_ && !raised_) {
            events_.WorkEnd();
        }
        if (raised_) {
            std::rethrow_exception(raised_);
        }
        if (!failure_.empty()) {
            throw Exception(failure_);
        }
        if (!watch_.Reason().empty()) {
            throw Exception(watch_.Reason());
        }
        throw Exception(*errorText ? errorText : curl_easy_strerror(code));
    }

private:
    static size_t OnBody(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Transfer*>(user);
        try {
            return self->Body(data, size * count);
        } catch (...) {
            self->raised_ = std::current_exception();
            return 0;
        }
    }

    static int OnProgress(void* user, curl_off_t expected, curl_off_t received, curl_off_t,
                          curl_off_t sent) {
        auto* self = static_cast<Transfer*>(user);
        try {
            return self->Progress(expected, received, sent);
        } catch (...) {
            self->raised_ = std::current_exception();
            return 1;
        }
    }

    size_t Body(const char* data, size_t bytes) {
        if (!begun_ && kind_ == Kind::Http && !CheckStatus()) {
            return 0;
        }
        Begin();
        if (!sink_.Write(data, bytes)) {
            failure_ = sink_.Error();
            return 0;
        }
        received_ += static_cast<int64_t>(bytes);
        auto now = std::chrono::steady_clock::now();
        if (now - lastReport_ >= kReportSlice) {
            Report();
            lastReport_ = now;
            lastMessages_ = now;  // the window's handler processed them
        }
        return bytes;
    }

    int Progress(curl_off_t expected, curl_off_t received, curl_off_t sent) {
        auto now = std::chrono::steady_clock::now();
        if (now - lastMessages_ >= kMessageSlice) {
            lastMessages_ = now;
            platform::ProcessMessages();
        }
        // A server that has confirmed the whole file but holds the data connection open: the
        // file is in, and nothing more will come.
        if (kind_ == Kind::Ftp && expected > 0 && received >= expected &&
            control_.TransferConfirmed()) {
            confirmed_ = true;
            return 1;
        }
        return watch_.Expired(expected, received, sent) ? 1 : 0;
    }

    // Redirects are not followed, so anything but a success status is a failed download.
    bool CheckStatus() {
        long status = 0;
        curl_easy_getinfo(curl_.get(), CURLINFO_RESPONSE_CODE, &status);
        if (status >= 200 && status <= 299) {
            return true;
        }
        failure_ = "HTTP status " + std::to_string(status);
        return false;
    }

    void Report() {
        if (received_ != reported_) {
            reported_ = received_;
            events_.Work(received_);
        }
    }

    void Begin() {
        if (begun_) {
            return;
        }
        begun_ = true;
        curl_off_t expected = -1;
        if (kind_ == Kind::Http) {
            curl_easy_getinfo(curl_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
        }
        events_.WorkBegin(expected > 0 ? static_cast<int64_t>(expected) : 0);
    }

    Kind kind_;
    BodySink& sink_;
    TTransferEvents& events_;
    std::chrono::milliseconds stall_;
    platform::TransferWatch watch_;
    platform::FtpControlConnection control_;
    bool confirmed_ = false;
    std::unique_ptr<CURL, CurlFree> curl_;
    bool begun_ = false;
    int64_t received_ = 0;
    int64_t reported_ = 0;
    std::chrono::steady_clock::time_point lastReport_{};
    std::string failure_;
    std::exception_ptr raised_;
    std::chrono::steady_clock::time_point lastMessages_ = std::chrono::steady_clock::now();
};

}  // namespace

bool DownLoadFile(const std::string& url, const std::string& localFile, TTransferEvents& events,
                  const TShowStatus& showStatus, const TTransferLimits& limits) {
    switch (GetUrlType(url)) {
        case 1:
            return HttpDownLoad(url, localFile, events, limits);
        case 2:
            return FtpDownLoad(url, localFile, events, showStatus, limits);
        default:
            showStatus("下载文件失败,不可识别的服务器地址:" + url + "!");
            return false;
    }
}

bool HttpDownLoad(const std::string& url, const std::string& localFile, TTransferEvents& events,
                  const TTransferLimits& limits) {
    FileSink file(localFile, kPackageSync);
    Transfer(Kind::Http, file, events, limits).Run(url, "", "");
    file.Finish();
    return true;
}

bool FtpDownLoad(const std::string& url, const std::string& localFile, TTransferEvents& events,
                 const TShowStatus& showStatus, const TTransferLimits& limits) {
    FileSink file(localFile, kPackageSync);
    std::string user, password, host, port, path;
    ParseFtpUrl(url, user, password, host, port, path);
    std::string document;
    GetUrlFileName(url, document);
    // The URL's folder is one change of folder to that folder from the server's root, not a
    // walk from wherever the log-in left us: libcurl reads "%2F" as that leading "/".
    const std::string fromRoot = "/%2F" + (path.empty() ? std::string() : path.substr(1));
    try {
        Transfer(Kind::Ftp, file, events, limits)
            .Run("ftp://" + host + ":" + port + fromRoot + document, user, password);
        file.Finish();
        return true;
    } catch (const std::exception& e) {
        showStatus(std::string("下载文件出现异常,异常信息:") + e.what() + "!");
        return false;
    }
}

std::string HttpGetToMemory(const std::string& url, TTransferEvents& events,
                            const TTransferLimits& limits) {
    MemorySink memory(kMaxVersionFileBytes);
    Transfer(Kind::Http, memory, events, limits).Run(url, "", "");
    return std::move(memory.body);
}

void SaveVersionFile(const std::string& fileName, const std::string& bytes) {
    FileSink file(fileName);
    if (!file.Write(bytes.data(), bytes.size())) {
        throw Exception(file.Error());
    }
    file.Finish();
}
