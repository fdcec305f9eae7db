#include "UpdateUrl.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
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

int GetUrlType(const std::string& url) {
    std::string protocol = Lower(ParseUrl(url).Protocol);
    if (protocol == "http" || protocol == "https") {
        return 1;
    }
    if (protocol == "ftp") {
        return 2;
    }
    return 0;
}

void GetUrlFileName(const std::string& url, std::string& name) {
    name = ParseUrl(url).Document;
}

void ParseFtpUrl(const std::string& url, std::string& user, std::string& password,
                 std::string& host, std::string& port, std::string& path) {
    TUrlParts parts = ParseUrl(url);
    user = parts.User;
    password = parts.Password;
    host = parts.Host;
    port = parts.Port.empty() ? "21" : parts.Port;
    path = parts.Path;
}
