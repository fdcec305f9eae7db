#pragma once

#include <unistd.h>

#include <utility>

namespace platform {

// An open file descriptor, closed when it goes; -1 holds nothing.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // The descriptor, no longer closed here.
    int release() { return std::exchange(fd_, -1); }

    // False when the close reported an error (for a file: the bytes may not have been written).
    bool Close() {
        if (fd_ < 0) {
            return true;
        }
        return ::close(std::exchange(fd_, -1)) == 0;
    }

private:
    int fd_;
};

}  // namespace platform
