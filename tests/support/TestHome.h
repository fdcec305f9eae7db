#pragma once

#include <optional>
#include <string>

// The home folder in which the programs a test binary starts take their single-instance locks,
// instead of the user's real one: a fresh folder of this process's alone, named by
// VELPAY_TEST_HOME while this object lives, then removed. Every program the binary starts
// inherits it, so that copies started by one test meet, while binaries that run at the same time,
// and the user's own programs, stay apart.
class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

private:
    std::string path_;
    std::optional<std::string> saved_;
};
