#pragma once

#include <string>

// A throwaway certificate authority and two server certificates it signed: "ip" naming
// 127.0.0.1, "host" naming only localhost (files ca.pem, ip.pem, ip.key, host.pem, host.key).
// Made with the openssl tool in a folder of its own, removed with it.
class TestPki {
public:
    TestPki();
    ~TestPki();
    TestPki(const TestPki&) = delete;
    TestPki& operator=(const TestPki&) = delete;

    std::string File(const std::string& name) const { return dir_ + name; }

private:
    void Issue(const std::string& name, const std::string& altName);
    void Run(const std::string& command) const;

    std::string dir_;
};
