#include "UpdateUrl.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "TextCodec.h"

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// What a browser percent-encodes in each part of a URL besides control characters, the blank and
// every byte past ASCII (the WHATWG URL standard's percent-encode sets). "%" is never among them:
// what is already encoded is sent as it stands.
constexpr std::string_view kQuerySet = "\"#<>'";
constexpr std::string_view kPathSet = "\"#<>?`{}";
constexpr std::string_view kUserInfoSet = "\"#<>?`{}/:;=@[\\]^|";

std::string PercentEncoded(std::string_view text, std::string_view set) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || set.find(c) != std::string_view::npos) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Every "%" and two hexadecimal digits become that byte; anything else stays.
std::string PercentDecoded(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool IsPlainFileName(const std::string& name) {
    return name != "." && name != ".." && platform::IsUtf8(name) &&
           std::none_of(name.begin(), name.end(), [](char c) {
               return c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
           });
}

}  // namespace

TUrlParts ParseUrl(const std::string& url) {
    TUrlParts parts;
    std::string rest = url;
    if (auto scheme = rest.find("://"); scheme != std::string::npos) {
        parts.Protocol = rest.substr(0, scheme);
        rest.erase(0, scheme + 3);
    }
    // The query and fragment belong to no part we hand out.
    if (auto query = rest.find_first_of("?#"); query != std::string::npos) {
        rest.erase(query);
    }
    std::string authority = rest.substr(0, rest.find('/'));
    std::string resource = rest.substr(authority.size());
    if (auto at = authority.rfind('@'); at != std::string::npos) {
        std::string login = authority.substr(0, at);
        authority.erase(0, at + 1);
        auto colon = login.find(':');
        parts.User = login.substr(0, colon);
        if (colon != std::string::npos) {
            parts.Password = login.substr(colon + 1);
        }
    }
    auto colon = authority.rfind(':');
    // A bracketed IPv6 host carries colons of its own.
    if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
        parts.Port = authority.substr(colon + 1);
        authority.erase(colon);
    }
    parts.Host = authority;
    auto slash = resource.rfind('/');
    if (slash != std::string::npos) {
        parts.Path = resource.substr(0, slash + 1);
        parts.Document = resource.substr(slash + 1);
    }
    return parts;
}

std::string AddressAsSent(const std::string& url) {
    // Like a browser: blanks and control characters around the address go, tabs and line breaks
    // inside it too.
    const auto first =
        std::find_if(url.begin(), url.end(), [](unsigned char c) { return c > 0x20; });
    const auto last =
        std::find_if(url.rbegin(), url.rend(), [](unsigned char c) { return c > 0x20; }).base();
    std::string text;
    std::copy_if(first, std::max(first, last), std::back_inserter(text),
                 [](char c) { return c != '\t' && c != '\n' && c != '\r'; });

    const auto scheme = text.find("://");
    if (scheme == std::string::npos) {
        return text;
    }
    // The fragment stays with the browser.
    text.erase(std::min(text.find('#'), text.size()));
    const size_t start = scheme + 3;
    const size_t authorityEnd = std::min(text.find_first_of("/?", start), text.size());
    std::string authority = text.substr(start, authorityEnd - start);
    const size_t queryStart = std::min(text.find('?', authorityEnd), text.size());

    std::string sent = text.substr(0, start);
    if (auto at = authority.rfind('@'); at != std::string::npos) {
        const std::string login = authority.substr(0, at);
        const auto colon = login.find(':');
        sent += PercentEncoded(std::string_view(login).substr(0, colon), kUserInfoSet);
        if (colon != std::string::npos) {
            sent += ':' + PercentEncoded(std::string_view(login).substr(colon + 1), kUserInfoSet);
        }
        sent += '@';
        authority.erase(0, at + 1);
    }
    sent += authority;
    sent += PercentEncoded(std::string_view(text).substr(authorityEnd, queryStart - authorityEnd),
                           kPathSet);
    if (queryStart < text.size()) {
        sent += '?' + PercentEncoded(std::string_view(text).substr(queryStart + 1), kQuerySet);
    }
    return sent;
}

int GetUrlType(const std::string& url) {
    std::string protocol = Lower(ParseUrl(AddressAsSent(url)).Protocol);
    if (protocol == "http" || protocol == "https") {
        return 1;
    }
    if (protocol == "ftp") {
        return 2;
    }
    return 0;
}

void GetUrlFileName(const std::string& url, std::string& name) {
    name = ParseUrl(AddressAsSent(url)).Document;
    if (std::string decoded = PercentDecoded(name); IsPlainFileName(decoded)) {
        name = std::move(decoded);
    }
}

void ParseFtpUrl(const std::string& url, std::string& user, std::string& password,
                 std::string& host, std::string& port, std::string& path) {
    TUrlParts parts = ParseUrl(AddressAsSent(url));
    user = PercentDecoded(parts.User);
    password = PercentDecoded(parts.Password);
    host = parts.Host;
    port = parts.Port.empty() ? "21" : parts.Port;
    path = parts.Path;
}
