#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"

// User "nobody" (65534) taking something and holding it, as any other user of the machine could:
// a Python script run as that user with these arguments (sys.argv[1:]), held from the script's end
// until this object goes. The script has os, socket, sys and time imported. Needs root.
class NobodyHolds {
public:
    NobodyHolds(const std::string& script, const std::vector<std::string>& arguments);

    // Whether the script took it all.
    bool Holds() const { return holds_; }

private:
    ChildProcess process_;
    bool holds_ = false;
};

// How another user holds the abstract socket name of this user's copy of program.
enum class NameSquat { Bound, Listening, ListeningWithAFullQueue };

// Nobody holding that name for the tests' home; every start of the program there meets it.
std::unique_ptr<NobodyHolds> SquatInstanceName(const std::string& program, NameSquat how);

// Nobody holding the flock of the lock file at path, made anew and open to all, as a file once
// was before its program kept it to its user.
std::unique_ptr<NobodyHolds> HoldOnceOpenLockFile(const std::string& path);
