#include "PrivateCups.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "ChildProcess.h"

namespace {

constexpr const char* kPdfPrinterModel = "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd";

}  // namespace

std::string PrivateCups::MissingTool() {
    for (const char* tool : {"cupsd", "lpadmin", "lpstat", "pdftotext", "pdffonts"}) {
        if (!ProgramInstalled(tool) && !ProgramInstalled(std::string("/usr/sbin/") + tool)) {
            return tool;
        }
    }
    if (!std::filesystem::exists(kPdfPrinterModel)) {
        return kPdfPrinterModel;
    }
    return {};
}

PrivateCups::PrivateCups(const std::string& folder) : folder_(folder) {
    // The filters run as the print system's own user, who must reach the spool.
    std::filesystem::permissions(
        folder_, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                     std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                     std::filesystem::perms::others_exec);
    for (const char* sub : {"root", "spool", "spool/tmp", "cache", "state", "log", "client"}) {
        std::filesystem::create_directories(folder_ + sub);
    }
    std::ofstream(folder_ + "cupsd.conf") << "LogLevel warn\n"
                                          << "Listen " << Socket() << "\n"
                                          << "Browsing No\n"
                                          << "WebInterface No\n"
                                          << "DefaultAuthType None\n"
                                          << "<Location />\n  Order allow,deny\n  Allow all\n"
                                          << "</Location>\n"
                                          << "<Policy default>\n  <Limit All>\n"
                                          << "    Order deny,allow\n    Allow all\n"
                                          << "  </Limit>\n</Policy>\n";
    std::ofstream(folder_ + "cups-files.conf") << "FileDevice Yes\n"
                                               << "ServerRoot " << folder_ << "root\n"
                                               << "RequestRoot " << folder_ << "spool\n"
                                               << "TempDir " << folder_ << "spool/tmp\n"
                                               << "CacheDir " << folder_ << "cache\n"
                                               << "StateDir " << folder_ << "state\n"
                                               << "ErrorLog " << folder_ << "log/error_log\n"
                                               << "AccessLog " << folder_ << "log/access_log\n"
                                               << "PageLog " << folder_ << "log/page_log\n";
    // The client side of this process and every program started from it ask this server, and
    // keep the default printer chosen by a test (root's in the server folder, anyone else's
    // under the home folder) here, away from the user's own.
    const std::pair<const char*, std::optional<std::string>> env[] = {
        {"CUPS_SERVER", Socket()},
        {"CUPS_SERVERROOT", ClientFolder()},
        {"HOME", ClientFolder()},
        {"PRINTER", std::nullopt},
        {"LPDEST", std::nullopt},
        {"PATH", std::string(getenv("PATH") ? getenv("PATH") : "") + ":/usr/sbin"},
    };
    for (const auto& [name, value] : env) {
        const char* before = getenv(name);
        savedEnv_.emplace_back(name, before ? std::optional<std::string>(before) : std::nullopt);
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ChildProcess::Options options;
    options.outputFile = folder_ + "log/cupsd.out";
    cupsd_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"cupsd", "-f", "-c", folder_ + "cupsd.conf", "-s",
                                 folder_ + "cups-files.conf"},
        options);
    bool up = WaitUntil(
        [&] {
            return std::filesystem::exists(Socket()) &&
                   RunProgram({"lpstat", "-r"}, 5000).out.find("is running") != std::string::npos;
        },
        15000);
    if (!up) {
        throw std::runtime_error("the private cupsd did not come up; see " + folder_ + "log");
    }
}

PrivateCups::~PrivateCups() {
    cupsd_.reset();
    for (const auto& [name, value] : savedEnv_) {
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
}

void PrivateCups::AddQueue(const std::string& name, const std::string& outputFile) {
    ProgramResult r = RunProgram(
        {"lpadmin", "-p", name, "-E", "-v", "file://" + outputFile, "-P", kPdfPrinterModel});
    if (r.status != 0) {
        throw std::runtime_error("lpadmin could not add " + name);
    }
}

void PrivateCups::RemoveQueue(const std::string& name) {
    if (RunProgram({"lpadmin", "-x", name}).status != 0) {
        throw std::runtime_error("lpadmin could not remove " + name);
    }
}

void PrivateCups::SetDefault(const std::string& name) {
    RunProgram({"lpadmin", "-d", name});
}

std::string PrivateCups::ClientDefault() {
    // "system default destination: NAME" or "no system default destination"
    const std::string out = RunProgram({"lpstat", "-d"}, 5000).out;
    const std::string marker = "destination: ";
    size_t at = out.find(marker);
    if (at == std::string::npos) {
        return {};
    }
    std::string name = out.substr(at + marker.size());
    return name.substr(0, name.find_first_of("\r\n"));
}

bool PrivateCups::JobsPending() {
    return !RunProgram({"lpstat", "-o"}, 5000).out.empty();
}

bool PrivateCups::WaitForJob(const std::string& outputFile, int timeoutMs) {
    return WaitUntil(
        [&] {
            return std::filesystem::exists(outputFile) &&
                   std::filesystem::file_size(outputFile) > 0 && !JobsPending();
        },
        timeoutMs);
}
