#pragma once

#include <string>

// The address helpers of the update window: what kind of server a URL names, its file name, the
// parts an FTP log-in needs, and the address as it goes out.
//
// A URL is scheme "://" [user [":" password] "@"] host [":" port] path document ["?" query]:
// the path runs from the first "/" after the host up to and including the last "/", the document
// is what follows it without the query. Absent parts are empty. The last "@" before the path ends
// the user and password, so a password may hold an "@" of its own.
struct TUrlParts {
    std::string Protocol;
    std::string User;
    std::string Password;
    std::string Host;
    std::string Port;
    std::string Path;
    std::string Document;
};

// The parts as they stand in the URL, percent-encoded or not.
TUrlParts ParseUrl(const std::string& url);

// The URL as a browser sends it: leading and trailing blanks and control characters dropped, tabs
// and line breaks removed, the fragment left out, and every byte that a URL cannot carry raw
// (a blank, a control character, any byte past ASCII such as UTF-8 Chinese, and in each part the
// characters a browser encodes there, such as an "@" or ":" in the password) percent-encoded. What
// is already percent-encoded stays as it is. Scheme, host and port are not changed.
std::string AddressAsSent(const std::string& url);

// 1 for "http" and "https" (fetched over verified TLS), 2 for "ftp", 0 for anything else; the
// scheme of AddressAsSent is compared without regard to case.
int GetUrlType(const std::string& url);

// The URL's document: the file name after the last "/", without any query, percent-decoded as a
// browser decodes the name it saves ("VelPay%201.0.6.zip" and "VelPay 1.0.6.zip" are both
// "VelPay 1.0.6.zip"). Where the decoded name would be no plain file name of its own (it holds a
// "/" or a control character, is "." or "..", or is not UTF-8), the name stays percent-encoded.
void GetUrlFileName(const std::string& url, std::string& name);

// The log-in parts of an FTP URL; Port is "21" when the URL names none. User and password are
// percent-decoded, as in any URL ("p%40ss" is "p@ss"); host, port and path are those of
// AddressAsSent (a blank in the path is "%20").
void ParseFtpUrl(const std::string& url, std::string& user, std::string& password,
                 std::string& host, std::string& port, std::string& path);
