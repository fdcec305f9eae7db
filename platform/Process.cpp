#include "Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

extern char** environ;

namespace platform {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool inWord = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

namespace {

// Between two looks whether a waited-for program has ended.
constexpr int kWaitSliceMs = 50;
// How long a killed program may take to be collected.
constexpr int kKilledGraceMs = 5000;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

CommandLine ReadCommandLine(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return {};
    }
    if (text[start] == '"') {
        const size_t close = text.find('"', start + 1);
        if (close == std::string::npos) {
            return {text.substr(start + 1), {}};
        }
        return {text.substr(start + 1, close - start - 1),
                SplitCommandLine(text.substr(close + 1))};
    }
    // Shortest first, as Windows tries them; past a quote only arguments can follow.
    size_t lastWordEnd = std::string::npos;
    for (size_t end = start + 1; end <= text.size() && text[end - 1] != '"'; ++end) {
        if ((end == text.size() || IsBlank(text[end])) && !IsBlank(text[end - 1])) {
            lastWordEnd = end;
            if (IsRegularFile(text.substr(start, end - start))) {
                break;
            }
        }
    }
    // When no file was found, the longest text tried: starting it tells why none is there.
    if (lastWordEnd != std::string::npos) {
        return {text.substr(start, lastWordEnd - start),
                SplitCommandLine(text.substr(lastWordEnd))};
    }
    std::vector<std::string> words = SplitCommandLine(text);
    return {words.front(), std::vector<std::string>(words.begin() + 1, words.end())};
}

StartedProgram::StartedProgram(const std::string& commandLine) {
    CommandLine line = ReadCommandLine(commandLine);
    std::vector<char*> argv;
    argv.push_back(line.Program.data());
    for (auto& argument : line.Arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    int rc = ENOENT;
    if (!line.Program.empty()) {
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
        pid_t pid = 0;
        // glibc reports a program that cannot be run here, not as a child that exits at once.
        rc = posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
        posix_spawnattr_destroy(&attributes);
        pid_ = pid;
    }
    if (rc != 0) {
        throw std::system_error(rc, std::generic_category(),
                                "Cannot start \"" + commandLine + "\"");
    }
}

bool StartedProgram::Ended() {
    while (!ended_) {
        int status = 0;
        pid_t got = waitpid(pid_, &status, WNOHANG);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        // Also when it can no longer be waited for: nothing of it is left to collect.
        ended_ = got != 0;
        break;
    }
    return ended_;
}

bool StartedProgram::WaitWithMessages(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!Ended()) {
        const qint64 left = ms - timer.elapsed();
        if (left <= 0) {
            return false;
        }
        SleepWithMessages(static_cast<int>(std::min<qint64>(kWaitSliceMs, left)));
    }
    return true;
}

void StartedProgram::EndGroup() {
    // Only while it is not collected: until then its number cannot name another process group.
    if (!Ended()) {
        kill(-pid_, SIGKILL);
        WaitWithMessages(kKilledGraceMs);
    }
}

unsigned WinExec(const std::string& commandLine) {
    constexpr unsigned kFileNotFound = 2;
    try {
        StartedProgram program(commandLine);
        return 33;
    } catch (const std::system_error&) {
        return kFileNotFound;
    }
}

void ProcessMessages() {
    if (QCoreApplication::instance()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

void SleepWithMessages(int ms) {
    QElapsedTimer timer;
    timer.start();
    // The time left is read again after the events: a handler may have used all of it and more.
    for (qint64 left = ms; left > 0; left = ms - timer.elapsed()) {
        if (QCoreApplication::instance()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        left = ms - timer.elapsed();
        if (left > 0) {
            QThread::msleep(static_cast<unsigned long>(std::min<qint64>(10, left)));
        }
    }
}

std::string ProgramPath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string ProgramFolder() {
    std::string path = ProgramPath();
    return path.substr(0, path.rfind('/') + 1);
}

std::string ProgramBaseName(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace platform
