#include "InstalledLayout.h"

#include <unistd.h>

#include <sstream>
#include <stdexcept>

#include "TextCodec.h"

std::map<std::string, std::string> Tree(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto status = entry.symlink_status();
        std::string kind = fs::is_symlink(status) ? "l" : fs::is_directory(status) ? "d" : "f";
        if (kind != "l") {
            std::ostringstream mode;
            mode << std::oct << (static_cast<unsigned>(status.permissions()) & 07777);
            kind += mode.str();
        }
        entries[fs::relative(entry.path(), root).string()] = kind;
    }
    return entries;
}

std::string LibrarySearchPath(const fs::path& elf) {
    const auto dump = RunProgram({"readelf", "--dynamic", "--wide", elf.string()});
    if (dump.status != 0) {
        throw std::runtime_error("readelf cannot read " + elf.string());
    }
    // "... (RUNPATH)   Library runpath: [$ORIGIN]"
    std::string paths;
    std::istringstream lines(dump.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("(RUNPATH)") == std::string::npos &&
            line.find("(RPATH)") == std::string::npos) {
            continue;
        }
        const size_t open = line.find('[');
        const size_t close = line.rfind(']');
        if (open != std::string::npos && close > open) {
            paths += (paths.empty() ? "" : ";") + line.substr(open + 1, close - open - 1);
        }
    }
    return paths;
}

std::string ExpectedUpdaterSettings(const std::string& prefix) {
    const std::string pay = prefix + "/Pay";
    // No address: a first run by hand stops at the version check and touches nothing.
    const std::string text =
        "[升级配置]\r\nVer=1.0.5\r\nAddress=\r\n"
        "[主程序]\r\nRunType=1\r\nRunName=" +
        pay + "/VelPay,海川微信支付收银系统1.0.5[VelPay]\r\n" + "[备份]\r\nBackUpSrc=" + pay +
        "\r\nBackUpDest=" + prefix + "/bak\r\n" +
        "[其它]\r\nTitle=海川微信支付收银系统智能升级程序\r\n";
    return platform::Utf8ToGbk(text);
}

fs::path BuildPackage(const fs::path& folder, std::string& log) {
    const auto made =
        RunProgram({"sh", "-c", "umask 077 && exec \"$0\" -G DEB --config \"$1\" -B \"$2\" 2>&1",
                    CPACK_COMMAND, std::string(BUILD_DIR) + "/CPackConfig.cmake", folder.string()},
                   180000);
    log = made.out;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (made.status == 0 && entry.path().extension() == ".deb") {
            return entry.path();
        }
    }
    return {};
}

fs::path UnpackPackage(const fs::path& deb, const fs::path& root) {
    if (RunProgram({"dpkg-deb", "--extract", deb.string(), root.string()}).status != 0) {
        throw std::runtime_error("cannot unpack " + deb.string());
    }
    const fs::path layout = root / "opt/velpay";
    fs::copy_file(layout / "update/Config.ini.template", layout / "update/Config.ini");
    return layout;
}

std::vector<std::string> WithoutBuildFolder(const std::vector<std::string>& argv) {
    // unshare runs the command in the namespace itself (no fork), so the program keeps the pid
    // the test started. Without root a user namespace lends the right to mount.
    std::vector<std::string> hidden = {"unshare", "--mount", "--propagation", "private"};
    if (geteuid() != 0) {
        hidden.insert(hidden.begin() + 1, "--map-root-user");
    }
    for (const char* part :
         {"sh", "-c", "mount -t tmpfs velpay-gone \"$0\" && exec \"$@\"", BUILD_DIR}) {
        hidden.emplace_back(part);
    }
    auto probe = hidden;
    probe.emplace_back("true");
    if (RunProgram(probe).status != 0) {
        return {};
    }
    hidden.insert(hidden.end(), argv.begin(), argv.end());
    return hidden;
}

TillDesktop::TillDesktop(const fs::path& boxes) : boxes_(boxes) {}

std::vector<std::string> TillDesktop::Environment() const {
    return {"DISPLAY=" + x_.Display(), "QT_QPA_PLATFORM=xcb",
            "VELPAY_TEST_MESSAGEBOXES=" + boxes_.string()};
}

std::unique_ptr<ChildProcess> TillDesktop::Start(const fs::path& program,
                                                 const std::vector<std::string>& args) {
    std::vector<std::string> argv = {program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    const auto hidden = WithoutBuildFolder(argv);
    if (hidden.empty()) {
        throw std::runtime_error("cannot hide the build folder");
    }
    ChildProcess::Options options;
    options.env = Environment();
    return std::make_unique<ChildProcess>(hidden, options);
}

XServer::Result TillDesktop::Run(const fs::path& program, const std::vector<std::string>& args,
                                 int timeoutMs) {
    std::vector<std::string> argv = {"env"};
    for (const auto& entry : Environment()) {
        argv.push_back(entry);
    }
    argv.push_back(program.string());
    argv.insert(argv.end(), args.begin(), args.end());
    const auto hidden = WithoutBuildFolder(argv);
    if (hidden.empty()) {
        throw std::runtime_error("cannot hide the build folder");
    }
    return x_.Run(hidden, timeoutMs);
}

bool TillDesktop::WaitForWindow(const std::string& caption, int timeoutMs) {
    std::string pattern = "^";
    for (char c : caption) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) {
            pattern += '\\';
        }
        pattern += c;
    }
    pattern += "$";
    return !x_.WaitForWindow(pattern, timeoutMs).empty();
}
