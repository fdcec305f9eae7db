#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ChildProcess.h"

// One of tests/updater/transfer_servers.py's servers on a free port of 127.0.0.1.
class TransferServer {
public:
    explicit TransferServer(std::vector<std::string> args) {
        args.insert(args.begin(), {"/usr/bin/python3", TRANSFER_SERVERS});
        ChildProcess::Options options;
        options.reportOnFd3 = true;
        process_ = std::make_unique<ChildProcess>(args, options);
        port_ = process_->ReadReport(10000);
        if (port_.empty()) {
            throw std::runtime_error("transfer server did not start: " + args.at(2));
        }
    }
    const std::string& Port() const { return port_; }

private:
    std::unique_ptr<ChildProcess> process_;
    std::string port_;
};
