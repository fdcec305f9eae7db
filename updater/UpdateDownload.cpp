#include "UpdateDownload.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <string_view>

#include "CurlSetup.h"
#include "FtpControlConnection.h"
#include "FtpDataConnection.h"
#include "Process.h"
#include "QzErrors.h"
#include "TextCodec.h"
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

// The server's replies on the control connection, fed line by line as libcurl reads them and read
// as libcurl reads them: a line of three digits and a blank ends a reply. They say in the
// server's own words why a retrieval failed: UTF-8 where the reply is valid UTF-8, otherwise code
// page 936, as a Chinese server on Windows writes.
class FtpReplies {
public:
    void Line(std::string_view line) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        reply_ += reply_.empty() ? "" : " ";
        reply_ += line;
        const int code = EndingCode(line);
        if (code < 0) {
            return;
        }
        // The first reply after the one that opened the transfer closes it, and only 226 and 250
        // say the file went whole.
        refused_ = opened_ ? code != 226 && code != 250 : code >= 400;
        opened_ = code / 100 == 1;
        last_ = std::move(reply_);
        reply_.clear();
    }

    // The last reply, when it refused what was asked or closed the transfer without completing
    // it; empty otherwise.
    std::string Refusal() const {
        return refused_ ? platform::Utf8OrGbkToUtf8(last_) : std::string();
    }

private:
    // The code of a reply's last line; -1 for any other line.
    static int EndingCode(std::string_view line) {
        if (line.size() < 4 || line[3] != ' ') {
            return -1;
        }
        int code = 0;
        for (char c : line.substr(0, 3)) {
            if (c < '0' || c > '9') {
                return -1;
            }
            code = code * 10 + (c - '0');
        }
        return code;
    }

    std::string reply_;
    std::string last_;
    bool opened_ = false;
    bool refused_ = false;
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
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText_);
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
            // A reply, also the one that closes the transfer once the file is whole, is waited
            // for no longer than the stall bound.
            const auto seconds = std::chrono::ceil<std::chrono::seconds>(stall_).count();
            curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                             static_cast<long>(std::max<decltype(seconds)>(seconds, 1)));
            curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnReply);
            curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
            data_.Watch(curl);
        }

        CURLcode code = curl_easy_perform(curl);
        if (kind_ == Kind::Ftp) {
            // The outcome is settled: the goodbye is said but its answer never awaited.
            platform::EndFtpControlConnection(curl);
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
        if (std::string refusal = replies_.Refusal(); !refusal.empty()) {
            throw Exception(refusal);
        }
        throw Exception(*errorText_ && !staleError_ ? errorText_ : curl_easy_strerror(code));
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

    static size_t OnReply(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Transfer*>(user);
        try {
            self->replies_.Line(std::string_view(data, size * count));
        } catch (...) {
            self->raised_ = std::current_exception();
            return 0;
        }
        // libcurl keeps only the first message of a transfer, and writes a needless one while it
        // sets up an active data connection: a message already there when a reply comes did not
        // end the transfer.
        self->staleError_ = self->staleError_ || *self->errorText_;
        return size * count;
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
        if (kind_ == Kind::Ftp && FileWhole()) {
            // libcurl reads the server's reply that closes the transfer only after the end of
            // the data connection, which a server may hold open.
            data_.End();
        }
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

    // All of the size the server gave for the file (to SIZE) has arrived.
    bool FileWhole() const {
        curl_off_t size = -1;
        curl_easy_getinfo(curl_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
        return size > 0 && received_ >= size;
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
    platform::FtpDataConnection data_;
    FtpReplies replies_;
    char errorText_[CURL_ERROR_SIZE] = "";
    bool staleError_ = false;
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
    Transfer(Kind::Http, file, events, limits).Run(AddressAsSent(url), "", "");
    file.Finish();
    return true;
}

bool FtpDownLoad(const std::string& url, const std::string& localFile, TTransferEvents& events,
                 const TShowStatus& showStatus, const TTransferLimits& limits) {
    FileSink file(localFile, kPackageSync);
    // The log-in decoded, the folder and file name as they are sent (percent-encoded).
    std::string user, password, host, port, path;
    ParseFtpUrl(url, user, password, host, port, path);
    const std::string document = ParseUrl(AddressAsSent(url)).Document;
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
    Transfer(Kind::Http, memory, events, limits).Run(AddressAsSent(url), "", "");
    return std::move(memory.body);
}

void SaveVersionFile(const std::string& fileName, const std::string& bytes) {
    FileSink file(fileName);
    if (!file.Write(bytes.data(), bytes.size())) {
        throw Exception(file.Error());
    }
    file.Finish();
}
