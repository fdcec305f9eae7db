#include "PortDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <optional>

#include "FileDescriptor.h"

namespace platform {
namespace {

// How long a port may refuse bytes before the receipt is given up.
constexpr auto kPortStallLimit = std::chrono::seconds(10);

// The device of "LPTn" or "COMn", or nothing when the name is neither.
std::optional<std::string> PortDevice(const std::string& name) {
    auto startsWith = [&](std::string_view prefix) {
        if (name.size() <= prefix.size()) {
            return false;
        }
        for (size_t i = 0; i < prefix.size(); ++i) {
            if (std::toupper(static_cast<unsigned char>(name[i])) != prefix[i]) {
                return false;
            }
        }
        return true;
    };
    const char* device = startsWith("LPT") ? "/dev/lp" : startsWith("COM") ? "/dev/ttyS" : nullptr;
    if (!device) {
        return std::nullopt;
    }
    std::string digits = name.substr(3);
    if (digits.size() > 3 || digits.front() == '0') {
        return std::nullopt;
    }
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
    }
    return device + std::to_string(std::stoi(digits) - 1);
}

bool WriteAll(int fd, std::string_view bytes) {
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + kPortStallLimit;
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
            deadline = Clock::now() + kPortStallLimit;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            return false;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd waiting{fd, POLLOUT, 0};
        ::poll(&waiting, 1, static_cast<int>(left.count()));
    }
    return true;
}

}  // namespace

std::string PortDevicePath(const std::string& portName) {
    return PortDevice(portName).value_or(portName);
}

bool WriteToPort(const std::string& portName, std::string_view bytes) {
    auto device = PortDevice(portName);
    // Never O_CREAT on a port: a missing /dev/lp0 must stay missing, not become a file. And
    // never wait in open(): a serial line without carrier would hold it forever.
    int flags = O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    if (!device) {
        flags |= O_CREAT | O_TRUNC;
    }
    FileDescriptor port(::open(device ? device->c_str() : portName.c_str(), flags, 0644));
    if (port.get() < 0) {
        return false;
    }
    return WriteAll(port.get(), bytes);
}

}  // namespace platform
