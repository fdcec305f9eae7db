#include "SetupProgram.h"

#include <filesystem>
#include <system_error>

#include "Process.h"
#include "QzErrors.h"

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The name comes from the server's version file unchecked: it must not reach outside the package
// nor add arguments of its own in quotes.
void CheckSetupFileName(const std::string& tempFolder, const std::string& setupFile) {
    if (setupFile.empty()) {
        throw Exception("The version file names no setup program");
    }
    if (setupFile.front() == '/') {
        throw Exception("The setup program " + Quoted(setupFile) + " lies outside the package " +
                        Quoted(tempFolder));
    }
    if (setupFile.find('"') != std::string::npos) {
        throw Exception("The setup program name " + Quoted(setupFile) + " holds a quote");
    }
}

// The program read from the command line, once it is known to be a file of the package: its
// path with links resolved.
fs::path PackagedProgram(const std::string& tempFolder, const std::string& program) {
    std::error_code ec;
    const fs::path package = fs::canonical(tempFolder, ec);
    const fs::path file = ec ? fs::path() : fs::weakly_canonical(program, ec);
    const fs::path relative = file.lexically_relative(package);
    if (ec || relative.empty() || *relative.begin() == "..") {
        throw Exception("The setup program " + Quoted(program) + " lies outside the package " +
                        Quoted(tempFolder));
    }
    if (!fs::exists(file, ec)) {
        throw Exception("The setup program " + Quoted(program) + " is not in the package");
    }
    if (!fs::is_regular_file(file, ec)) {
        throw Exception("The setup program " + Quoted(program) + " is not a file");
    }
    return file;
}

platform::StartedProgram Start(const platform::CommandLine& line) {
    try {
        return platform::StartedProgram(line);
    } catch (const std::system_error& e) {
        throw Exception(e.what());
    }
}

}  // namespace

void RunSetupProgram(const std::string& tempFolder, const std::string& setupFile,
                     const TSetupLimits& limits) {
    CheckSetupFileName(tempFolder, setupFile);
    // Read once: the file checked is the file started, with the arguments that came with it.
    platform::CommandLine line = platform::ReadCommandLine(setupFile, tempFolder);
    const fs::path program = PackagedProgram(tempFolder, line.Program);
    line.Program = program.string();
    // When this fails, starting it says why.
    std::error_code ec;
    fs::permissions(program, fs::perms::owner_exec, fs::perm_options::add, ec);

    platform::StartedProgram started = Start(line);
    if (!started.WaitWithMessages(static_cast<int>(limits.Run.count()))) {
        started.EndGroup();
        throw Exception("The setup program " + Quoted(program.string()) + " was still running " +
                        std::to_string(limits.Run.count() / 1000) +
                        " s after its start and has been ended");
    }
}
