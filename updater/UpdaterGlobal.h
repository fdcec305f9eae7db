#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Process.h"
#include "QzIniFile.h"

// The updater's settings and names for the whole run: its settings file Config.ini beside the
// program (written by the client before it starts the updater) and the version file the server
// offers, kept as verex.ini while an update runs.

struct TUpdateSet {
    std::string Ver;
    std::string Address;
};

struct TRunType {
    int RunType = 0;
    std::string RunName;
};

struct TBackUpSet {
    std::string BackUpSrc;
    std::string BackUpDest;
};

struct TUpdateSetEx {
    std::string Ver;
    std::string Address;
    std::string SetupFile;
};

extern TUpdateSet UpdateSet;
extern TRunType RunTypeSet;
extern TBackUpSet BackUpSet;
extern TUpdateSetEx UpdateSetEx;

// The command line of RunName (RunType 1), read once as the settings are loaded: the program root
// checks before the update is the program started after it, whatever has appeared meanwhile at a
// shorter prefix of an unquoted path.
extern platform::CommandLine RunCommandLine;

extern std::string UpdaterTitle;
extern bool AutoMode;
extern std::string UpdaterExeName;
// The settings file, open from LoadUpdaterConfig to SaveUpdaterConfig.
extern std::unique_ptr<TIniFile> UpdaterConfigIni;
// The version file, open only while LoadUpdateSetEx reads it.
extern std::unique_ptr<TIniFile> VersionIni;

inline constexpr const char* kUnknownVersion = "未知版本";
inline constexpr const char* kDefaultUpdaterTitle = "Orv智能升级程序";

// Opens UpdaterConfigIni on folder + "Config.ini" and reads the four sections.
void LoadUpdaterConfig(const std::string& folder);
void LoadUpdateSet();
void LoadRunType();
void LoadBackUpSet();
void LoadOtherSet();
// Writes UpdateSet.Ver back (the only setting the updater changes) and closes the file. Raises
// EIniFileException when the file cannot be written; it is closed all the same.
void SaveUpdaterConfig();
// Reads the version file's section into UpdateSetEx.
void LoadUpdateSetEx();
// Opens VersionIni on fileName, runs LoadUpdateSetEx and closes it again. Raises Exception when
// the file names no version (Ver missing or empty): the server offers nothing to update to.
void ReadVersionFile(const std::string& fileName);

// The Index-th field (from 1) of Text cut at Separator; Item stays as it was when there is none.
void GetListItem(const std::string& Text, int Index, const std::string& Separator,
                 std::string& Item);

// The AUTO switch: one of the arguments (after the program's own name) is "-", "/" or "\" and
// then "AUTO" in any letter case.
bool IsAutoMode(const std::vector<std::string>& arguments);

// UpdaterExeName from the running executable's path.
void InitUpdaterNames(const std::string& exePath);
