#pragma once

#include <string>
#include <vector>

namespace platform {

// A command line read as Windows reads one: a program path in double quotes is taken as quoted;
// an unquoted one is found by trying the words from the left, the first text up to a blank that
// names an existing regular file (a folder does not count) being the program; when none does,
// the whole text up to any quote is, and starting it fails. What follows the program is split
// into the arguments. With a folder, the command line is read within it: the folder is taken
// whole, as if quoted, and only the names below it are tried, so that a shorter path that
// somebody makes beside the folder meanwhile is never taken for the program.
struct CommandLine {
    std::string Program;
    std::vector<std::string> Arguments;
};
CommandLine ReadCommandLine(const std::string& text, const std::string& folder = {});

// Words split at blanks, double quotes grouping.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// A program started in a session of its own, so that it outlives this one and its terminal, to be
// waited for: it is a child of this process until it has ended and been collected. Nothing happens
// to it when this object goes; a program not to be waited for is started by StartProgram instead.
class StartedProgram {
public:
    // The program and its arguments as already read: that very file is started, without reading
    // a command line again. Raises std::system_error ("Cannot start \"" + the program + "\": "
    // and the reason) when it cannot be started.
    explicit StartedProgram(const CommandLine& line);
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    // Waits up to ms milliseconds for the program to end while the windows keep processing their
    // events. True when it has ended (its exit status is collected and not looked at).
    bool WaitWithMessages(int ms);
    // Kills the program and every process of its group (those it started that kept it), and
    // collects its exit status.
    void EndGroup();

private:
    // Whether it has ended; collects its exit status once it has.
    bool Ended();

    int pid_ = -1;
    bool ended_ = false;
};

// Starts a program from a command line (read by ReadCommandLine) in a session of its own, not
// waited for. It is made no child of this process (its parent ends at once, and whoever adopts it
// collects it), so that when it ends nothing of it is left behind, also in a process that never
// looks at its children again. Raises std::system_error ("Cannot start \"" + commandLine +
// "\": " and the reason) when it cannot be started.
void StartProgram(const std::string& commandLine);

// The same for a command line already read: that very program is started.
void StartProgram(const CommandLine& line);

// StartProgram, answering as WinExec does: a value above 31 when the program started, otherwise
// 2 (file not found) whatever the reason.
unsigned WinExec(const std::string& commandLine);

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
