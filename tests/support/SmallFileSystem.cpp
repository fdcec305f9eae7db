#include "SmallFileSystem.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr int kCouldNotMount = 2;
constexpr int kRaised = 3;
constexpr int kTimeLimitSeconds = 30;

bool WriteAll(int fd, const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// The child's side: mounts of its own, made private so that nothing it mounts reaches the rest
// of the machine, then the small file system, then f, whose answer goes up the pipe.
[[noreturn]] void AnswerOnSmallFileSystem(int answerFd, const std::string& folder, size_t bytes,
                                          const std::function<std::string()>& f) {
    ::alarm(kTimeLimitSeconds);
    const std::string options = "size=" + std::to_string(bytes);
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("velpay-small", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) !=
            0) {
        ::_exit(kCouldNotMount);
    }
    int code = kRaised;
    try {
        code = WriteAll(answerFd, f()) ? 0 : kRaised;
    } catch (...) {
    }
    ::_exit(code);
}

std::string ReadToEnd(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return text;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
}

}  // namespace

std::optional<std::string> OnSmallFileSystem(const std::string& folder, size_t bytes,
                                             const std::function<std::string()>& f) {
    int answer[2];
    if (::pipe2(answer, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(answer[0]);
        AnswerOnSmallFileSystem(answer[1], folder, bytes, f);
    }
    ::close(answer[1]);
    // The child's time limit ends it, and with it the pipe: the read is bounded too.
    std::string text = pid > 0 ? ReadToEnd(answer[0]) : std::string();
    ::close(answer[0]);
    int status = 0;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return std::nullopt;
        }
    }
    if (pid < 0 || (WIFEXITED(status) && WEXITSTATUS(status) == kCouldNotMount)) {
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "no answer: the child " +
               (WIFSIGNALED(status) ? "ended on signal " + std::to_string(WTERMSIG(status))
                                    : "raised");
    }
    return text;
}
