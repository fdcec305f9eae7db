#pragma once

#include <stdexcept>
#include <string>

// The general error kind the system raises and its dialogs catch, log and show.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An input/output failure (the log, the configuration file).
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

// A failed write of a configuration file.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// The silent abort: an operation given up on purpose, "Operation aborted".
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};
