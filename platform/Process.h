#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts a program from a command line (words split at blanks, double quotes group) without
// waiting for it. Returns a value above 31 when it started, as WinExec does.
unsigned WinExec(const std::string& commandLine);

std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Lets the windows process the events waiting now, without waiting for more.
void ProcessMessages();

// Waits ms milliseconds while the windows keep processing their events.
void SleepWithMessages(int ms);

// The running program's full path, its folder with a trailing "/", and its base name without
// folder and last extension.
std::string ProgramPath();
std::string ProgramFolder();
std::string ProgramBaseName(const std::string& path);

}  // namespace platform
