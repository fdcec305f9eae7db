#include "NobodyHolds.h"

#include <unistd.h>

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
        "address = '\\0velpay-instance/' + sys.argv[1]\n"
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
        std::vector<std::string>{std::to_string(::getuid()) + "/" + program,
                                 how == NameSquat::Bound       ? "bind"
                                 : how == NameSquat::Listening ? "listen"
                                                               : "full"});
}
