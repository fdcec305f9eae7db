#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <memory>

#include "ChildProcess.h"
#include "FileSizeLimit.h"
#include "FormUpdate.h"
#include "QzErrors.h"
#include "TestFolder.h"
#include "TestPki.h"
#include "TransferServer.h"
#include "UpdateDownload.h"

namespace fs = std::filesystem;

namespace {

// What the update window's transfer handlers would have seen.
struct RecordedTransfer : TTransferEvents {
    void WorkBegin(int64_t workCountMax) override { begins.push_back(workCountMax); }
    void Work(int64_t workCount) override { counts.push_back(workCount); }
    void WorkEnd() override { ++ends; }
    std::vector<int64_t> begins;
    std::vector<int64_t> counts;
    int ends = 0;
};

// Bounds under which a stall or a trickle is told within a second, not a minute. Only the rows
// that wait for one get them: under load a good transfer's first byte may take that long.
constexpr TTransferLimits kStallWithinASecond{.Stall = std::chrono::milliseconds(500)};
constexpr TTransferLimits kTrickleWithinASecond{.FloorWindow = std::chrono::seconds(1)};

// The package the servers offer: bytes of every value, large enough for many reads.
std::string PackageBytes() {
    std::string bytes;
    for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i) {
        bytes.push_back(static_cast<char>((i * 7 + i / 251) & 0xFF));
    }
    return bytes;
}

class DownloadTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        served_ = std::make_unique<TestFolder>();
        served_->Write("p.zip", PackageBytes());
        served_->Write("Update.txt", Gbk("[升级配置]\r\nVer=2.0\r\nAddress=http://x/p.zip\r\n"));
        served_->Write("sub/q.zip", "in a sub-folder");
        // Folders whose names a URL cannot carry raw.
        served_->Write("down load/p.zip", PackageBytes());
        served_->Write("升级 包/p.zip", PackageBytes());
        served_->Write("down load/Update.txt", served_->Read("Update.txt"));
        served_->Write("huge.txt", std::string(kMaxVersionFileBytes + 1, 'v'));
        pki_ = std::make_unique<TestPki>();
        http_ = std::make_unique<TransferServer>(std::vector<std::string>{"http", served_->Path()});
        https_ = std::make_unique<TransferServer>(std::vector<std::string>{
            "http", served_->Path(), pki_->File("ip.pem"), pki_->File("ip.key")});
        ftp_ = std::make_unique<TransferServer>(std::vector<std::string>{"ftp", served_->Path()});
        // A certificate of the trusted CA that names another host than the URL's.
        otherHost_ = std::make_unique<TransferServer>(std::vector<std::string>{
            "http", served_->Path(), pki_->File("host.pem"), pki_->File("host.key")});
    }
    static void TearDownTestSuite() {
        otherHost_.reset();
        ftp_.reset();
        https_.reset();
        http_.reset();
        pki_.reset();
        served_.reset();
    }

protected:
    void TearDown() override { unsetenv("CURL_CA_BUNDLE"); }

    static std::string Http(const std::string& path) {
        return "http://127.0.0.1:" + http_->Port() + path;
    }
    static std::string Https(const std::string& path) {
        return "https://127.0.0.1:" + https_->Port() + path;
    }
    static std::string Ftp(const std::string& login, const std::string& path) {
        return "ftp://" + login + "127.0.0.1:" + ftp_->Port() + path;
    }
    std::string Local() const { return local_.File("p.zip"); }
    std::string LocalBytes() const { return local_.Read("p.zip"); }
    bool LocalExists() const { return fs::exists(Local()); }

    // The error an HTTP download raised; empty when it succeeded.
    std::string HttpError(const std::string& url) {
        try {
            EXPECT_TRUE(HttpDownLoad(url, Local(), events_, limits_));
        } catch (const Exception& e) {
            return e.what();
        }
        return "";
    }

    bool Download(const std::string& url) {
        return DownLoadFile(
            url, Local(), events_, [this](const std::string& line) { lines_.push_back(line); },
            limits_);
    }

    // The error the version file's transfer raised; empty when it succeeded.
    std::string VersionFileError(const std::string& url) {
        try {
            HttpGetToMemory(url, events_, limits_);
        } catch (const Exception& e) {
            return e.what();
        }
        return "";
    }

    static std::unique_ptr<TestFolder> served_;
    static std::unique_ptr<TestPki> pki_;
    static std::unique_ptr<TransferServer> http_, https_, ftp_, otherHost_;
    TestFolder local_;
    RecordedTransfer events_;
    TTransferLimits limits_;
    std::vector<std::string> lines_;
};

std::unique_ptr<TestFolder> DownloadTest::served_;
std::unique_ptr<TestPki> DownloadTest::pki_;
std::unique_ptr<TransferServer> DownloadTest::http_, DownloadTest::https_, DownloadTest::ftp_,
    DownloadTest::otherHost_;

TEST_F(DownloadTest, HttpWithLengthArrivesWholeWithItsTotalAnnounced) {
    ASSERT_EQ(HttpError(Http("/files/p.zip")), "");
    EXPECT_EQ(LocalBytes(), PackageBytes());
    const auto size = static_cast<int64_t>(PackageBytes().size());
    EXPECT_EQ(events_.begins, std::vector<int64_t>{size});
    ASSERT_FALSE(events_.counts.empty());
    EXPECT_EQ(events_.counts.back(), size);
    EXPECT_TRUE(std::is_sorted(events_.counts.begin(), events_.counts.end()));
    EXPECT_EQ(events_.ends, 1);
}

TEST_F(DownloadTest, HttpWithoutLengthAnnouncesZero) {
    ASSERT_EQ(HttpError(Http("/nolength/p.zip")), "");
    EXPECT_EQ(LocalBytes(), PackageBytes());
    EXPECT_EQ(events_.begins, std::vector<int64_t>{0});
    EXPECT_EQ(events_.ends, 1);
}

// The address is sent as a browser sends it: the blank percent-encoded, the Chinese too.
TEST_F(DownloadTest, HttpAddressWithABlankIsFetchedAsABrowserWould) {
    EXPECT_TRUE(Download(Http("/files/down load/p.zip"))) << ::testing::PrintToString(lines_);
    EXPECT_EQ(LocalBytes(), PackageBytes());
    EXPECT_TRUE(Download(Http("/files/升级 包/p.zip"))) << ::testing::PrintToString(lines_);
    EXPECT_EQ(LocalBytes(), PackageBytes());
    EXPECT_EQ(HttpGetToMemory(Http("/files/down load/Update.txt"), events_),
              served_->Read("Update.txt"));
}

TEST_F(DownloadTest, ReplacesAnOlderFileOfTheSameName) {
    local_.Write("p.zip", std::string(10 * 1024 * 1024, 'o'));
    ASSERT_EQ(HttpError(Http("/files/p.zip")), "");
    EXPECT_EQ(LocalBytes(), PackageBytes());
}

struct FailedGet {
    const char* name;
    const char* path;
    const char* error;
    TTransferLimits limits = {};
};

class FailedHttpTest : public DownloadTest, public ::testing::WithParamInterface<FailedGet> {};

TEST_P(FailedHttpTest, RaisesItsReasonAndLeavesNoFile) {
    auto started = std::chrono::steady_clock::now();
    limits_ = GetParam().limits;
    std::string error = HttpError(Http(GetParam().path));
    EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
    EXPECT_FALSE(LocalExists());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

INSTANTIATE_TEST_SUITE_P(Replies, FailedHttpTest,
                         ::testing::Values(FailedGet{"NotFound", "/files/missing.zip",
                                                     "HTTP status 404"},
                                           FailedGet{"HangUp", "/hangup/p.zip", "remaining"},
                                           FailedGet{"StallPastTheBound", "/stall/p.zip",
                                                     "Read timed out", kStallWithinASecond},
                                           FailedGet{"TrickleUnderTheFloor", "/trickle/p.zip",
                                                     "Transfer too slow", kTrickleWithinASecond}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadTest, NoServerRaises) {
    std::string error = HttpError("http://127.0.0.1:1/p.zip");
    EXPECT_NE(error, "");
    EXPECT_FALSE(LocalExists());
}

TEST_F(DownloadTest, FullDiskFailsTheDownloadAndLeavesNoFile) {
    std::string error;
    {
        FileSizeLimit limit(1024 * 1024);
        error = HttpError(Http("/files/p.zip"));
    }
    EXPECT_NE(error.find("Error writing file"), std::string::npos) << error;
    EXPECT_FALSE(LocalExists());
}

TEST_F(DownloadTest, LocalFileThatIsAFolderRaises) {
    // A URL without a document names the download folder itself.
    try {
        HttpDownLoad(Http("/files/p.zip"), local_.Path(), events_);
        FAIL() << "no error raised";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot create file"), std::string::npos);
    }
    EXPECT_TRUE(events_.begins.empty());
}

TEST_F(DownloadTest, ErrorRaisedByAHandlerEndsTheTransferAndIsRaisedAgain) {
    struct Failing : RecordedTransfer {
        void Work(int64_t) override { throw Exception("the window is gone"); }
    } failing;
    try {
        HttpDownLoad(Http("/files/p.zip"), Local(), failing);
        FAIL() << "no error raised";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "the window is gone");
    }
    EXPECT_FALSE(LocalExists());
}

TEST_F(DownloadTest, HttpsWithTrustedTestCaArrives) {
    setenv("CURL_CA_BUNDLE", pki_->File("ca.pem").c_str(), 1);
    EXPECT_TRUE(Download(Https("/files/p.zip")));
    EXPECT_EQ(LocalBytes(), PackageBytes());
    EXPECT_TRUE(lines_.empty());
}

TEST_F(DownloadTest, HttpsWithUntrustedCertificateRaises) {
    std::string error = HttpError(Https("/files/p.zip"));
    EXPECT_NE(error.find("certificate"), std::string::npos) << error;
    EXPECT_FALSE(LocalExists());
}

TEST_F(DownloadTest, HttpsWithCertificateForAnotherHostRaises) {
    setenv("CURL_CA_BUNDLE", pki_->File("ca.pem").c_str(), 1);
    std::string error = HttpError("https://127.0.0.1:" + otherHost_->Port() + "/files/p.zip");
    EXPECT_NE(error.find("certificate"), std::string::npos) << error;
    EXPECT_FALSE(LocalExists());
}

TEST_F(DownloadTest, UnknownSchemeShowsItsLineAndFetchesNothing) {
    const std::string url = "sftp://127.0.0.1:" + http_->Port() + "/files/p.zip";
    EXPECT_FALSE(Download(url));
    EXPECT_EQ(lines_, std::vector<std::string>{"下载文件失败,不可识别的服务器地址:" + url + "!"});
    EXPECT_FALSE(LocalExists());
    EXPECT_TRUE(events_.begins.empty());
}

struct FtpCase {
    const char* name;
    const char* login;
    const char* path;
    const char* bytes;             // nullptr: the package
    const char* reason = nullptr;  // a failure's reason, where it tells the cases apart
    TTransferLimits limits = {};
    // The download ends within the stall bound itself, not only within it and a margin: what the
    // server leaves unanswered once the outcome is known is not waited for.
    bool withinTheStall = false;
};

// A bound that a goodbye left unanswered must not reach: waiting for one as for any reply would.
constexpr TTransferLimits kStallOfTenSeconds{.Stall = std::chrono::seconds(10)};

class FtpDownloadTest : public DownloadTest, public ::testing::WithParamInterface<FtpCase> {};

// However the server ends a transfer, the download ends within the stall bound and a margin.
constexpr auto kMargin = std::chrono::seconds(5);

std::chrono::milliseconds Bound(const FtpCase& c, const TTransferLimits& limits) {
    return limits.Stall + (c.withinTheStall ? std::chrono::milliseconds(0) : kMargin);
}

TEST_P(FtpDownloadTest, ArrivesWithZeroAnnounced) {
    auto started = std::chrono::steady_clock::now();
    limits_ = GetParam().limits;
    ASSERT_TRUE(Download(Ftp(GetParam().login, GetParam().path)))
        << ::testing::PrintToString(lines_);
    EXPECT_LT(std::chrono::steady_clock::now() - started, Bound(GetParam(), limits_));
    EXPECT_EQ(LocalBytes(), GetParam().bytes ? GetParam().bytes : PackageBytes());
    EXPECT_EQ(events_.begins, std::vector<int64_t>{0});
    EXPECT_EQ(events_.ends, 1);
    EXPECT_TRUE(lines_.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Logins, FtpDownloadTest,
    ::testing::Values(FtpCase{"Anonymous", "", "/p.zip", nullptr},
                      FtpCase{"UserAndPassword", "till:s3cret@", "/p.zip", nullptr},
                      FtpCase{"FromTheUrlsFolder", "till:s3cret@", "/sub/q.zip", "in a sub-folder"},
                      // The URL's folder counts from the server's root,
                      // not from where the log-in left the user.
                      FtpCase{"UrlsFolderCountsFromTheRoot", "nested:n3sted@", "/p.zip", nullptr},
                      FtpCase{"UrlsSubFolderCountsFromTheRoot", "nested:n3sted@", "/sub/q.zip",
                              "in a sub-folder"},
                      // The server says the transfer is complete but holds the data connection.
                      FtpCase{"DataConnectionHeldAfterTheClosingReply", "keep:k33p@", "/p.zip",
                              nullptr, nullptr, kStallWithinASecond},
                      // The closing reply came in one read with the one that opened the transfer.
                      FtpCase{"ClosingReplyReadWithTheOpeningOne", "early:ear1y@", "/p.zip",
                              nullptr, nullptr, kStallWithinASecond},
                      // The server never answers the QUIT that follows the 226.
                      FtpCase{"GoodbyeNeverAnswered", "bye:by3@", "/p.zip", nullptr, nullptr,
                              kStallOfTenSeconds, true},
                      // What a URL cannot carry raw is sent percent-encoded, as by a browser.
                      FtpCase{"BlankInTheFolder", "", "/down load/p.zip", nullptr},
                      FtpCase{"ChineseFolderWithABlank", "", "/升级 包/p.zip", nullptr},
                      // The password in the URL is percent-decoded: "p%40ss" logs in as "p@ss".
                      FtpCase{"PercentEncodedAtInThePassword", "at:p%40ss@", "/p.zip", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

class FailedFtpTest : public DownloadTest, public ::testing::WithParamInterface<FtpCase> {};

TEST_P(FailedFtpTest, ShowsTheExceptionLineAndLeavesNoFile) {
    auto started = std::chrono::steady_clock::now();
    limits_ = GetParam().limits;
    EXPECT_FALSE(Download(Ftp(GetParam().login, GetParam().path)));
    EXPECT_LT(std::chrono::steady_clock::now() - started, Bound(GetParam(), limits_));
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_EQ(lines_[0].rfind("下载文件出现异常,异常信息:", 0), 0u) << lines_[0];
    EXPECT_EQ(lines_[0].back(), '!');
    if (GetParam().reason) {
        EXPECT_NE(lines_[0].find(GetParam().reason), std::string::npos) << lines_[0];
    }
    EXPECT_FALSE(LocalExists());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedFtpTest,
    ::testing::Values(FtpCase{"MissingFile", "", "/missing.zip", nullptr},
                      FtpCase{"MissingFolder", "", "/nowhere/p.zip", nullptr},
                      FtpCase{"RefusedLogIn", "till:wrong@", "/p.zip", nullptr},
                      FtpCase{"TrickleUnderTheFloor", "slow:sl0w@", "/p.zip", nullptr,
                              "Transfer too slow", kTrickleWithinASecond},
                      // The whole file came, but the server never says the transfer is done.
                      FtpCase{"NoClosingReply", "mute:mu7e@", "/p.zip", nullptr, nullptr,
                              kStallWithinASecond},
                      FtpCase{"DataConnectionHeldWithoutAClosingReply", "stuck:stuck@", "/p.zip",
                              nullptr, "Read timed out", kStallWithinASecond},
                      // Only the first reply after the one that opened the transfer closes it;
                      // the server's own words say why it failed.
                      FtpCase{"ErrorReplyBeforeA226", "abort:ab0rt@", "/p.zip", nullptr,
                              ":426 Connection closed; transfer aborted.!", kStallWithinASecond},
                      FtpCase{"HalfLineBeforeA226", "half:ha1f@", "/p.zip", nullptr,
                              ":200 Transfer failed, 226 bytes lost!", kStallWithinASecond},
                      FtpCase{"ErrorReplyAfterTheDataConnection", "fail:fa1l@", "/p.zip", nullptr,
                              ":451 Local error in processing.!"},
                      // libcurl's own words for what went wrong, not an earlier harmless message.
                      FtpCase{"ControlConnectionLostAfterTheFile", "drop:dr0p@", "/p.zip", nullptr,
                              ":Failure when receiving data from the peer!"},
                      // A reply in code page 936 is shown in its characters, in UTF-8.
                      FtpCase{"RefusalInCodePage936", "gbk:wrong@", "/p.zip", nullptr,
                              ":530 用户名或密码错误，登录失败!"},
                      // The refusal decides at once, whether or not the server answers the QUIT.
                      FtpCase{"RefusalWithTheGoodbyeNeverAnswered", "bye:by3@", "/missing.zip",
                              nullptr, ":550 ", kStallOfTenSeconds, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadTest, FtpWithoutServerShowsTheExceptionLine) {
    EXPECT_FALSE(Download("ftp://127.0.0.1:1/p.zip"));
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_EQ(lines_[0].rfind("下载文件出现异常,异常信息:", 0), 0u) << lines_[0];
}

TEST_F(DownloadTest, VersionFileComesBackAndIsSavedByteForByte) {
    std::string bytes = HttpGetToMemory(Http("/files/Update.txt"), events_);
    EXPECT_EQ(bytes, served_->Read("Update.txt"));
    EXPECT_EQ(events_.ends, 1);
    SaveVersionFile(local_.File("verex.ini"), bytes);
    EXPECT_EQ(local_.Read("verex.ini"), served_->Read("Update.txt"));
}

// The updater's work files, rewritten on every run in a folder the cashier may own: whatever
// stands at their name, a link planted there must never steer the bytes elsewhere.
struct WorkFileCase {
    const char* name;
    const char* file;
    // Writes the work file into the folder as the updater does; the bytes it should then hold.
    std::string (*write)(const std::string& folder);
};

class WorkFileAtALink : public DownloadTest, public ::testing::WithParamInterface<WorkFileCase> {
public:
    static std::string HttpPackage(const std::string& folder) {
        return Package(Http("/files/p.zip"), folder);
    }
    static std::string FtpPackage(const std::string& folder) {
        return Package(Ftp("", "/p.zip"), folder);
    }

private:
    static std::string Package(const std::string& url, const std::string& folder) {
        RecordedTransfer events;
        EXPECT_TRUE(DownLoadFile(url, folder + "p.zip", events,
                                 [](const std::string& line) { ADD_FAILURE() << line; }));
        return PackageBytes();
    }
};

TEST_P(WorkFileAtALink, ReplacesTheLinkAndLeavesItsTargetAlone) {
    const WorkFileCase& c = GetParam();
    local_.Write("elsewhere/precious", "precious");
    for (const char* target : {"elsewhere/precious", "elsewhere/created"}) {
        SCOPED_TRACE(target);
        const std::string file = local_.File(c.file);
        fs::remove(file);
        fs::create_symlink(local_.File(target), file);
        const std::string written = c.write(local_.Path());
        EXPECT_FALSE(fs::is_symlink(file));
        EXPECT_EQ(local_.Read(c.file), written);
        EXPECT_EQ(local_.Read("elsewhere/precious"), "precious");
        EXPECT_FALSE(fs::exists(local_.File("elsewhere/created")));
        EXPECT_EQ(std::distance(fs::directory_iterator(local_.Path()), fs::directory_iterator()), 2)
            << "the work file and the folder elsewhere, nothing left beside them";
    }
}

INSTANTIATE_TEST_SUITE_P(
    UpdaterFiles, WorkFileAtALink,
    ::testing::Values(WorkFileCase{"VersionFile", "verex.ini",
                                   [](const std::string& folder) {
                                       SaveVersionFile(folder + "verex.ini", "[升级配置]");
                                       return std::string("[升级配置]");
                                   }},
                      WorkFileCase{"HttpPackage", "p.zip", WorkFileAtALink::HttpPackage},
                      WorkFileCase{"FtpPackage", "p.zip", WorkFileAtALink::FtpPackage},
                      WorkFileCase{"UpdateLog", "Update.log",
                                   [](const std::string& folder) {
                                       // The window writes its log, empty here, when it goes.
                                       TForm_Main window(nullptr, folder,
                                                         std::make_unique<TUpdateOperations>(),
                                                         TStatusPace{0, 0});
                                       return std::string();
                                   }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadTest, VersionFileThatCannotBeFetchedRaises) {
    EXPECT_NE(VersionFileError(Http("/files/none.txt")), "");
    EXPECT_NE(VersionFileError(""), "");
    EXPECT_NE(VersionFileError(Http("/files/huge.txt")).find("larger than 1048576 bytes"),
              std::string::npos);
    limits_ = kTrickleWithinASecond;
    EXPECT_NE(VersionFileError(Http("/trickle/Update.txt")).find("Transfer too slow"),
              std::string::npos);
}

}  // namespace
