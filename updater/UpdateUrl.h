#pragma once

#include <string>

// The address helpers of the update window: what kind of server a URL names, its file name, and
// the parts an FTP log-in needs.
//
// A URL is scheme "://" [user [":" password] "@"] host [":" port] path document ["?" query]:
// the path runs from the first "/" after the host up to and including the last "/", the document
// is what follows it without the query. Absent parts are empty.
struct TUrlParts {
    std::string Protocol;
    std::string User;
    std::string Password;
    std::string Host;
    std::string Port;
    std::string Path;
    std::string Document;
};

TUrlParts ParseUrl(const std::string& url);

// 1 for "http" and "https" (fetched over verified TLS), 2 for "ftp", 0 for anything else; the
// scheme is compared without regard to case.
int GetUrlType(const std::string& url);

// The URL's document: the file name after the last "/", without any query.
void GetUrlFileName(const std::string& url, std::string& name);

// The log-in parts of an FTP URL; Port is "21" when the URL names none.
void ParseFtpUrl(const std::string& url, std::string& user, std::string& password,
                 std::string& host, std::string& port, std::string& path);
