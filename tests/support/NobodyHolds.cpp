#include "NobodyHolds.h"

#include "SingleInstance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace {

std::vector<std::string> Command(const std::string& script,
                                 const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {
        "setpriv",
        "--reuid=65534",
        "--regid=65534",
        "--clear-groups",
        "--",
        "/usr/bin/python3",
        "-c",
        "import os, socket, sys, time\n" + script + "\nos.write(3, b'held\\n')\ntime.sleep(600)\n"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return argv;
}

}  // namespace

NobodyHolds::NobodyHolds(const std::string& script, const std::vector<std::string>& arguments)
    : process_(Command(script, arguments), {.env = {}, .outputFile = {}, .reportOnFd3 = true}),
      holds_(process_.ReadReport(5000) == "held") {}

std::unique_ptr<NobodyHolds> SquatInstanceName(const std::string& program, NameSquat how) {
    // A full queue: its own connections, which it never takes.
    return std::make_unique<NobodyHolds>(
        "address = '\\0' + sys.argv[1]\n"
        "s = socket.socket(socket.AF_UNIX)\n"
        "s.bind(address)\n"
        "waiting = []\n"
        "if sys.argv[2] != 'bind':\n"
        "    s.listen(0)\n"
        "while sys.argv[2] == 'full':\n"
        "    c = socket.socket(socket.AF_UNIX)\n"
        "    c.setblocking(False)\n"
        "    try:\n"
        "        c.connect(address)\n"
        "    except BlockingIOError:\n"
        "        break\n"
        "    waiting.append(c)\n",
        std::vector<std::string>{platform::InstanceName(program, std::getenv("VELPAY_TEST_HOME")),
                                 how == NameSquat::Bound       ? "bind"
                                 : how == NameSquat::Listening ? "listen"
                                                               : "full"});
}

std::unique_ptr<NobodyHolds> HoldOnceOpenLockFile(const std::string& path) {
    std::ofstream(path, std::ios::trunc).flush();
    ::chmod(path.c_str(), 0644);
    return std::make_unique<NobodyHolds>(
        "import fcntl\nfcntl.flock(os.open(sys.argv[1], os.O_RDONLY), fcntl.LOCK_EX)\n",
        std::vector<std::string>{path});
}
