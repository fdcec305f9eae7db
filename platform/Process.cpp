#include "Process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <filesystem>

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

unsigned WinExec(const std::string& commandLine) {
    constexpr unsigned kFileNotFound = 2;
    auto words = SplitCommandLine(commandLine);
    if (words.empty()) {
        return kFileNotFound;
    }
    std::vector<char*> argv;
    for (auto& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A session of its own: the started program outlives this one and its terminal.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    return rc == 0 ? 33 : kFileNotFound;
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
