#pragma once

#include <chrono>
#include <string>

// Bound of the setup program's run. The default is what the updater uses; tests shorten it.
struct TSetupLimits {
    // A setup program still running this long after its start is ended and fails the setup.
    std::chrono::milliseconds Run{std::chrono::minutes(10)};
};

// Runs the package's setup program, named by SetupFile relative to TempFolder (the folder the
// package was unpacked into), hidden and with the updater's current folder, and waits for it to
// end while the windows keep processing their events; its exit status is not looked at, but the
// folder it installs from stays until it has finished. The command line TempFolder + "/" +
// SetupFile is read as Windows reads one, and the program it names must be a file inside
// TempFolder (links resolved); that file is given its owner's execute bit first, because packages
// made on Windows store none, and it is that file that is started, with the arguments read.
// Raises Exception with the reason, having started nothing, when SetupFile is empty, absolute or
// holds a quote, when the program is not a file inside TempFolder or cannot be started; and,
// having ended it with its process group, when it is still running at the bound.
void RunSetupProgram(const std::string& tempFolder, const std::string& setupFile,
                     const TSetupLimits& limits = {});
