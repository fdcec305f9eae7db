// FakeGateway: starts the Python fake payment gateway (tests/fakegw/fake_gateway.py)
// for one test or fixture, and talks to its control API.
//
// Plain POSIX (posix_spawn, signals) and libcurl; no Qt. The script's path comes
// from the compile definition FAKEGW_SCRIPT (set by CMake), or from Options.
//
//   FakeGateway gw;                                   // starts, waits for the port (10 s max)
//   gw.Script("microPay", R"([{"fields": {"result": "1", "errcode": "USERPAYING"}}])");
//   ... point the client's BaseUrl at gw.BaseUrl() and the paths at FakeGateway::Paths() ...
//   auto recs = gw.Requests("microPay");
//   EXPECT_TRUE(recs.at(0).problems.empty());
//
// Every call throws std::runtime_error on failure (server gone, control error).
// The destructor sends SIGTERM, waits (bounded), then SIGKILL; it never throws.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

class FakeGateway {
public:
    struct Options {
        std::string script;  // empty: FAKEGW_SCRIPT
        std::string python = "/usr/bin/python3";
        std::string tlsCert;  // both set: serve HTTPS, BaseUrl() is https://
        std::string tlsKey;
        std::string logFile;         // empty: no log
        bool inferBasePath = false;  // POST / answered as the operation its fields name
        int startTimeoutMs = 10000;
        int stopTimeoutMs = 5000;
    };

    // One request the gateway received, as GET /__control/requests reports it.
    struct Record {
        int seq = 0;
        std::string method;                            // "POST", "GET"
        std::string path;                              // as sent, with any query
        std::string op;                                // "microPay", "version", "" (unknown path)
        std::map<std::string, std::string> fields;     // root children, first value per name, UTF-8
        std::vector<std::string> field_order;          // root children's names in document order
        std::map<std::string, std::string> decrypted;  // syy_pwd / super_pwd / syy_newpwd in plain
        std::string body;                              // the raw request bytes
        bool xml_ok = false;
        std::optional<bool> sign_ok;        // nullopt: operation not signed
        std::string sign_expected;          // the signature the gateway computed
        bool layout_ok = false;             // byte-exact text of the protocol
        std::vector<std::string> problems;  // empty: request is right
        bool scripted = false;              // answered from a script
        int reply_status = -1;              // -1: reply still pending (delay); 0: hung up
        std::string reply_body;             // the raw reply bytes
    };

    FakeGateway();
    explicit FakeGateway(Options options);
    ~FakeGateway();
    FakeGateway(const FakeGateway&) = delete;
    FakeGateway& operator=(const FakeGateway&) = delete;

    // "http://127.0.0.1:PORT" (https:// with TLS); no trailing slash.
    const std::string& BaseUrl() const { return baseUrl_; }
    int Port() const { return port_; }
    pid_t Pid() const { return pid_; }

    // Clears scripts and records, config back to defaults.
    void Reset();
    // Appends reply plans to op's queue. jsonRepliesArrayText: a JSON array of
    // plan objects (a single object is accepted too).
    void Script(const std::string& op, const std::string& jsonRepliesArrayText);
    // Merges a JSON object into the configuration (merchant fields, cashiers, ...).
    void Config(const std::string& jsonText);
    // Every request since the last Reset, oldest first; op non-empty filters.
    std::vector<Record> Requests(const std::string& op = {});

    // Raw control call: method "GET"/"POST", path under the server
    // ("/__control/health"); returns the body, sets *status when given.
    // Throws only when the transfer itself fails.
    std::string Control(const std::string& method, const std::string& path,
                        const std::string& body = {}, long* status = nullptr);

    // The 15 request paths in TRequestUrl order (queryStoreInfoUrl ... syyUpdPwdUrl).
    static const std::vector<std::string>& Paths();
    // The 15 operation names in the same order ("queryStoreInfo" ... "syyUpdPwd").
    static const std::vector<std::string>& OpNames();

private:
    void Start();
    void Stop() noexcept;
    std::string ReadStderr() const;

    Options options_;
    pid_t pid_ = -1;
    int port_ = 0;
    std::string baseUrl_;
    std::string tmpDir_;
};
