#include "TestPki.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "TemporaryFolder.h"

TestPki::TestPki() {
    dir_ = MakeTemporaryFolder("velpay-pki-").string() + "/";
    Run("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
        " -keyout ca.key -out ca.pem -days 2 -subj /CN=VelPay-Test-CA");
    Issue("ip", "IP:127.0.0.1");
    Issue("host", "DNS:localhost");
}

TestPki::~TestPki() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void TestPki::Issue(const std::string& name, const std::string& altName) {
    std::ofstream(File(name + ".ext")) << "subjectAltName=" << altName << "\n";
    Run("openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout " + name +
        ".key -out " + name + ".csr -subj /CN=" + name);
    Run("openssl x509 -req -in " + name + ".csr -CA ca.pem -CAkey ca.key -CAcreateserial -out " +
        name + ".pem -days 2 -extfile " + name + ".ext");
}

void TestPki::Run(const std::string& command) const {
    std::string line = "cd '" + dir_ + "' && timeout 30 " + command + " >/dev/null 2>&1";
    if (std::system(line.c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}
