#include "Process.h"

#include <fcntl.h>
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

#include "FileDescriptor.h"

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

[[noreturn]] void RaiseCannotStart(int error, const std::string& shown) {
    throw std::system_error(error, std::generic_category(), "Cannot start \"" + shown + "\"");
}

// The argument vector of the program's start, pointing into line; raises when it names none.
std::vector<char*> ArgumentVector(CommandLine& line, const std::string& shown) {
    if (line.Program.empty()) {
        RaiseCannotStart(ENOENT, shown);
    }
    std::vector<char*> argv;
    argv.push_back(line.Program.data());
    for (auto& argument : line.Arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return argv;
}

// Raises with the reason, naming the program, when it cannot be started.
pid_t SpawnInSession(CommandLine line) {
    const std::string shown = line.Program;
    std::vector<char*> argv = ArgumentVector(line, shown);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    // glibc reports a program that cannot be run here, not as a child that exits at once.
    const int rc = posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) {
        RaiseCannotStart(rc, shown);
    }
    return pid;
}

// A child of ours forks the program and ends at once, so the program is adopted by the process
// that collects orphans. The child is collected here at once; why the program could not be
// started comes back through a pipe that its start closes.
void SpawnOrphanInSession(CommandLine line, const std::string& shown) {
    std::vector<char*> argv = ArgumentVector(line, shown);
    char** environment = environ;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        RaiseCannotStart(errno, shown);
    }
    FileDescriptor reasonIn(ends[0]);
    FileDescriptor reasonOut(ends[1]);
    const pid_t middle = fork();
    if (middle == 0) {
        // Only async-signal-safe calls from here on: this copy of the process has none of its
        // other threads, whose locks may be held.
        int error = 0;
        const pid_t program = _Fork();  // fork itself is not safe here: it runs handlers
        if (program == 0) {
            setsid();
            execve(argv[0], argv.data(), environment);
            error = errno;
        } else if (program < 0) {
            error = errno;
        }
        if (error != 0) {
            while (write(reasonOut.get(), &error, sizeof error) < 0 && errno == EINTR) {
            }
        }
        _exit(0);
    }
    if (middle < 0) {
        RaiseCannotStart(errno, shown);
    }
    reasonOut.Close();
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    while ((got = read(reasonIn.get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof error)) {
        RaiseCannotStart(error, shown);
    }
}

}  // namespace

CommandLine ReadCommandLine(const std::string& text, const std::string& folder) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return {};
    }
    auto within = [&](const std::string& program) {
        return folder.empty() ? program : folder + "/" + program;
    };
    if (text[start] == '"') {
        const size_t close = text.find('"', start + 1);
        if (close == std::string::npos) {
            return {within(text.substr(start + 1)), {}};
        }
        return {within(text.substr(start + 1, close - start - 1)),
                SplitCommandLine(text.substr(close + 1))};
    }
    // Shortest first, as Windows tries them; past a quote only arguments can follow.
    size_t lastWordEnd = std::string::npos;
    for (size_t end = start + 1; end <= text.size() && text[end - 1] != '"'; ++end) {
        if ((end == text.size() || IsBlank(text[end])) && !IsBlank(text[end - 1])) {
            lastWordEnd = end;
            if (IsRegularFile(within(text.substr(start, end - start)))) {
                break;
            }
        }
    }
    // When no file was found, the longest text tried: starting it tells why none is there.
    if (lastWordEnd != std::string::npos) {
        return {within(text.substr(start, lastWordEnd - start)),
                SplitCommandLine(text.substr(lastWordEnd))};
    }
    std::vector<std::string> words = SplitCommandLine(text);
    return {within(words.front()), std::vector<std::string>(words.begin() + 1, words.end())};
}

StartedProgram::StartedProgram(const CommandLine& line) : pid_(SpawnInSession(line)) {}

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

void StartProgram(const std::string& commandLine) {
    SpawnOrphanInSession(ReadCommandLine(commandLine), commandLine);
}

void StartProgram(const CommandLine& line) {
    SpawnOrphanInSession(line, line.Program);
}

unsigned WinExec(const std::string& commandLine) {
    constexpr unsigned kFileNotFound = 2;
    try {
        StartProgram(commandLine);
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
