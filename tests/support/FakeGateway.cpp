#include "FakeGateway.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "FileBytes.h"

extern char** environ;

#ifndef FAKEGW_SCRIPT
#define FAKEGW_SCRIPT ""
#endif

namespace {

// ---------------------------------------------------------------------------
// A small JSON reader, enough for the control API's answers.
// ---------------------------------------------------------------------------

struct Json {
    enum Type { Null, Bool, Number, String, Array, Object } type = Null;
    bool b = false;
    double num = 0;
    std::string str;
    std::vector<Json> arr;
    std::vector<std::string> keys;  // an object: keys[i] names vals[i]
    std::vector<Json> vals;

    const Json* Find(const std::string& key) const;
};

const Json* Json::Find(const std::string& key) const {
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == key)
            return &vals[i];
    return nullptr;
}

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : s_(text) {}

    Json Parse() {
        Json v = Value();
        Ws();
        if (i_ != s_.size())
            Fail("trailing characters");
        return v;
    }

private:
    [[noreturn]] void Fail(const char* what) {
        throw std::runtime_error(std::string("FakeGateway: bad JSON from control API (") + what +
                                 " at offset " + std::to_string(i_) + ")");
    }
    void Ws() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
            ++i_;
    }
    bool Eat(char c) {
        Ws();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    void Expect(char c) {
        if (!Eat(c))
            Fail("unexpected character");
    }
    bool Word(const char* w) {
        size_t n = std::strlen(w);
        if (s_.compare(i_, n, w) == 0) {
            i_ += n;
            return true;
        }
        return false;
    }
    Json Value() {
        Ws();
        if (i_ >= s_.size())
            Fail("unexpected end");
        Json v;
        char c = s_[i_];
        if (c == '{') {
            ++i_;
            v.type = Json::Object;
            if (Eat('}'))
                return v;
            do {
                Ws();
                std::string k = Str();
                Expect(':');
                v.keys.push_back(std::move(k));
                v.vals.push_back(Value());
            } while (Eat(','));
            Expect('}');
        } else if (c == '[') {
            ++i_;
            v.type = Json::Array;
            if (Eat(']'))
                return v;
            do
                v.arr.push_back(Value());
            while (Eat(','));
            Expect(']');
        } else if (c == '"') {
            v.type = Json::String;
            v.str = Str();
        } else if (Word("true")) {
            v.type = Json::Bool;
            v.b = true;
        } else if (Word("false")) {
            v.type = Json::Bool;
        } else if (Word("null")) {
            v.type = Json::Null;
        } else {
            v.type = Json::Number;
            size_t start = i_;
            while (i_ < s_.size() && std::strchr("+-0123456789.eE", s_[i_]))
                ++i_;
            auto r = std::from_chars(s_.data() + start, s_.data() + i_, v.num);
            if (r.ec != std::errc() || start == i_)
                Fail("bad number");
        }
        return v;
    }
    static void Utf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    unsigned Hex4() {
        if (i_ + 4 > s_.size())
            Fail("short \\u escape");
        unsigned v = 0;
        auto r = std::from_chars(s_.data() + i_, s_.data() + i_ + 4, v, 16);
        if (r.ec != std::errc() || r.ptr != s_.data() + i_ + 4)
            Fail("bad \\u escape");
        i_ += 4;
        return v;
    }
    std::string Str() {
        if (i_ >= s_.size() || s_[i_] != '"')
            Fail("string expected");
        ++i_;
        std::string out;
        while (true) {
            if (i_ >= s_.size())
                Fail("unterminated string");
            char c = s_[i_++];
            if (c == '"')
                break;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size())
                Fail("unterminated escape");
            char e = s_[i_++];
            switch (e) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    unsigned cp = Hex4();
                    if (cp >= 0xD800 && cp < 0xDC00 && s_.compare(i_, 2, "\\u") == 0) {
                        i_ += 2;
                        unsigned lo = Hex4();
                        if (lo >= 0xDC00 && lo < 0xE000)
                            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                        else {
                            Utf8(out, 0xFFFD);
                            cp = lo;
                        }
                    }
                    Utf8(out, cp);
                    break;
                }
                default:
                    Fail("bad escape");
            }
        }
        return out;
    }

    const std::string& s_;
    size_t i_ = 0;
};

std::string JsonQuote(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += char(c);
                }
        }
    }
    return out + "\"";
}

std::string Base64Decode(const std::string& in) {
    static const std::string chars =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned buf = 0;
    int bits = 0;
    for (char c : in) {
        if (c == '=')
            break;
        auto p = chars.find(c);
        if (p == std::string::npos)
            continue;
        buf = (buf << 6) | unsigned(p);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += char((buf >> bits) & 0xFF);
        }
    }
    return out;
}

std::string Text(const Json& o, const char* key) {
    const Json* v = o.Find(key);
    return v && v->type == Json::String ? v->str : std::string();
}

bool Flag(const Json& o, const char* key) {
    const Json* v = o.Find(key);
    return v && v->type == Json::Bool && v->b;
}

int Int(const Json& o, const char* key) {
    const Json* v = o.Find(key);
    return v && v->type == Json::Number ? int(v->num) : 0;
}

FakeGateway::Record ToRecord(const Json& j) {
    FakeGateway::Record r;
    r.seq = Int(j, "seq");
    r.method = Text(j, "method");
    r.path = Text(j, "path");
    r.op = Text(j, "op");
    if (const Json* f = j.Find("fields"))
        for (size_t i = 0; i < f->keys.size(); ++i)
            r.fields[f->keys[i]] = f->vals[i].str;
    if (const Json* f = j.Find("field_order"))
        for (const auto& v : f->arr)
            r.field_order.push_back(v.str);
    if (const Json* f = j.Find("decrypted"))
        for (size_t i = 0; i < f->keys.size(); ++i)
            r.decrypted[f->keys[i]] = f->vals[i].str;
    r.body = Base64Decode(Text(j, "body_b64"));
    r.xml_ok = Flag(j, "xml_ok");
    if (const Json* s = j.Find("sign_ok"); s && s->type == Json::Bool)
        r.sign_ok = s->b;
    r.sign_expected = Text(j, "sign_expected");
    r.layout_ok = Flag(j, "layout_ok");
    if (const Json* p = j.Find("problems"))
        for (const auto& v : p->arr)
            r.problems.push_back(v.str);
    r.scripted = Flag(j, "scripted");
    const Json* rs = j.Find("reply_status");
    r.reply_status = rs && rs->type == Json::Number ? int(rs->num) : -1;
    r.reply_body = Base64Decode(Text(j, "reply_b64"));
    return r;
}

size_t CollectBody(char* data, size_t size, size_t n, void* user) {
    static_cast<std::string*>(user)->append(data, size * n);
    return size * n;
}

void CurlInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

// ---------------------------------------------------------------------------

const std::vector<std::string>& FakeGateway::OpNames() {
    static const std::vector<std::string> names = {
        "queryStoreInfo",  "syyLogin",          "microPay",         "orderQuery",
        "orderReverse",    "closeOrder",        "unifiedOrder",     "refund",
        "refundQuery",     "queryRefundDetail", "queryOrderDetail", "refundPrintQuery",
        "orderPrintQuery", "todayTotal",        "syyUpdPwd"};
    return names;
}

const std::vector<std::string>& FakeGateway::Paths() {
    static const std::vector<std::string> paths = [] {
        std::vector<std::string> p;
        for (const auto& op : OpNames())
            p.push_back("/pay/" + op);
        return p;
    }();
    return paths;
}

FakeGateway::FakeGateway() : FakeGateway(Options{}) {}

FakeGateway::FakeGateway(Options options) : options_(std::move(options)) {
    if (options_.script.empty())
        options_.script = FAKEGW_SCRIPT;
    if (options_.script.empty())
        throw std::runtime_error(
            "FakeGateway: no script (define FAKEGW_SCRIPT or set Options::script)");
    CurlInitOnce();
    try {
        Start();
    } catch (...) {
        Stop();
        throw;
    }
}

FakeGateway::~FakeGateway() {
    Stop();
}

std::string FakeGateway::ReadStderr() const {
    return tmpDir_.empty() ? std::string() : ReadBytes(tmpDir_ + "/stderr.txt");
}

void FakeGateway::Start() {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/fakegw-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data()))
        throw std::runtime_error("FakeGateway: mkdtemp failed: " +
                                 std::string(std::strerror(errno)));
    tmpDir_ = buf.data();
    const std::string portFile = tmpDir_ + "/port";
    const std::string errFile = tmpDir_ + "/stderr.txt";

    std::vector<std::string> args = {options_.python,     options_.script, "--port", "0",
                                     "--port-file",       portFile,        "--host", "127.0.0.1",
                                     "--exit-with-parent"};
    const bool tls = !options_.tlsCert.empty() && !options_.tlsKey.empty();
    if (tls)
        args.insert(args.end(), {"--tls-cert", options_.tlsCert, "--tls-key", options_.tlsKey});
    if (!options_.logFile.empty())
        args.insert(args.end(), {"--log", options_.logFile});
    if (options_.inferBasePath)
        args.insert(args.end(), {"--base-path", "infer"});
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // The environment minus what could point /usr/bin/python3 at another
    // interpreter's library.
    std::vector<std::string> envStore;
    for (char** e = environ; e && *e; ++e) {
        std::string kv = *e;
        if (kv.rfind("PYTHONHOME=", 0) == 0 || kv.rfind("PYTHONPATH=", 0) == 0)
            continue;
        envStore.push_back(kv);
    }
    envStore.push_back("PYTHONDONTWRITEBYTECODE=1");
    std::vector<char*> envp;
    for (auto& kv : envStore)
        envp.push_back(kv.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, argv[0], &fa, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    if (rc != 0)
        throw std::runtime_error("FakeGateway: cannot start " + options_.python + ": " +
                                 std::strerror(rc));
    pid_ = pid;

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.startTimeoutMs);
    while (true) {
        std::string text = ReadBytes(portFile);
        int port = 0;
        auto r = std::from_chars(text.data(), text.data() + text.size(), port);
        if (r.ec == std::errc() && port > 0) {
            port_ = port;
            break;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("FakeGateway: server exited at start (status " +
                                     std::to_string(status) + "): " + ReadStderr());
        }
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("FakeGateway: no port file after " +
                                     std::to_string(options_.startTimeoutMs) +
                                     " ms: " + ReadStderr());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    baseUrl_ = std::string(tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);

    long status = 0;
    std::string health = Control("GET", "/__control/health", {}, &status);
    if (status != 200)
        throw std::runtime_error("FakeGateway: health check failed: " + health);
}

void FakeGateway::Stop() noexcept {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.stopTimeoutMs);
        bool gone = false;
        while (!gone) {
            int status = 0;
            pid_t w = waitpid(pid_, &status, WNOHANG);
            if (w == pid_ || (w < 0 && errno == ECHILD)) {
                gone = true;
            } else if (std::chrono::steady_clock::now() > deadline) {
                break;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        if (!gone) {
            kill(pid_, SIGKILL);
            int status = 0;
            while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
        }
        pid_ = -1;
    }
    if (!tmpDir_.empty()) {
        for (const char* f : {"/port", "/stderr.txt"})
            unlink((tmpDir_ + f).c_str());
        rmdir(tmpDir_.c_str());
        tmpDir_.clear();
    }
}

std::string FakeGateway::Control(const std::string& method, const std::string& path,
                                 const std::string& body, long* status) {
    CURL* curl = curl_easy_init();
    if (!curl)
        throw std::runtime_error("FakeGateway: curl_easy_init failed");
    std::string out;
    std::string url = baseUrl_ + path;
    struct curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Content-Type: application/json");
    headers = curl_slist_append(headers, "Expect:");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10000L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, 5000L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &out);
    if (method == "POST") {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    } else if (method != "GET") {
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
    }
    CURLcode rc = curl_easy_perform(curl);
    long code = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    if (rc != CURLE_OK)
        throw std::runtime_error("FakeGateway: " + method + " " + url +
                                 " failed: " + curl_easy_strerror(rc));
    if (status)
        *status = code;
    return out;
}

namespace {
void CheckOk(const std::string& what, long status, const std::string& reply) {
    if (status == 200)
        return;
    std::string msg = reply;
    try {
        Json j = JsonParser(reply).Parse();
        if (!Text(j, "error").empty())
            msg = Text(j, "error");
    } catch (const std::exception&) {
    }
    throw std::runtime_error("FakeGateway: " + what + " refused (HTTP " + std::to_string(status) +
                             "): " + msg);
}
}  // namespace

void FakeGateway::Reset() {
    long status = 0;
    std::string reply = Control("POST", "/__control/reset", "{}", &status);
    CheckOk("reset", status, reply);
}

void FakeGateway::Script(const std::string& op, const std::string& jsonRepliesArrayText) {
    long status = 0;
    std::string body = "{\"op\": " + JsonQuote(op) + ", \"replies\": " + jsonRepliesArrayText + "}";
    std::string reply = Control("POST", "/__control/script", body, &status);
    CheckOk("script " + op, status, reply);
}

void FakeGateway::Config(const std::string& jsonText) {
    long status = 0;
    std::string reply = Control("POST", "/__control/config", jsonText, &status);
    CheckOk("config", status, reply);
}

std::vector<FakeGateway::Record> FakeGateway::Requests(const std::string& op) {
    long status = 0;
    std::string path = "/__control/requests";
    if (!op.empty()) {
        char* esc = curl_easy_escape(nullptr, op.c_str(), int(op.size()));
        path += "?op=" + std::string(esc ? esc : op.c_str());
        curl_free(esc);
    }
    std::string reply = Control("GET", path, {}, &status);
    CheckOk("requests", status, reply);
    Json j = JsonParser(reply).Parse();
    if (j.type != Json::Array)
        throw std::runtime_error("FakeGateway: requests: not a JSON array");
    std::vector<Record> out;
    for (const auto& r : j.arr)
        out.push_back(ToRecord(r));
    return out;
}
