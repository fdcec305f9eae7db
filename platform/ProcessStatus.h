#pragma once

#include <map>
#include <string>

namespace platform {

// The fields of a process's status as the kernel shows it (/proc/<process>/status: "Uid",
// "Groups", "Umask", ...), each with the text after its colon; empty when it cannot be read (the
// process is gone, or hidden from this one). process is a process id, or "self".
std::map<std::string, std::string> ProcessStatus(const std::string& process);

}  // namespace platform
