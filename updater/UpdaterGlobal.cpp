#include "UpdaterGlobal.h"

#include "Process.h"
#include "QzErrors.h"

TUpdateSet UpdateSet;
TRunType RunTypeSet;
TBackUpSet BackUpSet;
TUpdateSetEx UpdateSetEx;
platform::CommandLine RunCommandLine;

std::string UpdaterTitle;
bool AutoMode = false;
std::string UpdaterExeName;
std::unique_ptr<TIniFile> UpdaterConfigIni;
std::unique_ptr<TIniFile> VersionIni;

namespace {

constexpr const char* kUpdateSection = "升级配置";
constexpr const char* kProgramSection = "主程序";
constexpr const char* kBackUpSection = "备份";
constexpr const char* kOtherSection = "其它";

bool SameAsciiNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

void LoadUpdaterConfig(const std::string& folder) {
    UpdaterConfigIni = std::make_unique<TIniFile>(folder + "Config.ini");
    LoadUpdateSet();
    LoadRunType();
    LoadBackUpSet();
    LoadOtherSet();
}

void LoadUpdateSet() {
    UpdateSet.Ver = UpdaterConfigIni->ReadString(kUpdateSection, "Ver", kUnknownVersion);
    UpdateSet.Address = UpdaterConfigIni->ReadString(kUpdateSection, "Address", "");
}

void LoadRunType() {
    RunTypeSet.RunType = UpdaterConfigIni->ReadInteger(kProgramSection, "RunType", 1);
    RunTypeSet.RunName = UpdaterConfigIni->ReadString(kProgramSection, "RunName", "");
    std::string commandLine;
    if (RunTypeSet.RunType == 1) {
        GetListItem(RunTypeSet.RunName, 1, ",", commandLine);
    }
    RunCommandLine = platform::ReadCommandLine(commandLine);
}

void LoadBackUpSet() {
    BackUpSet.BackUpSrc = UpdaterConfigIni->ReadString(kBackUpSection, "BackUpSrc", "");
    BackUpSet.BackUpDest = UpdaterConfigIni->ReadString(kBackUpSection, "BackUpDest", "");
}

void LoadOtherSet() {
    UpdaterTitle = UpdaterConfigIni->ReadString(kOtherSection, "Title", kDefaultUpdaterTitle);
}

void SaveUpdaterConfig() {
    // Closed also when the write is refused.
    const std::unique_ptr<TIniFile> ini = std::move(UpdaterConfigIni);
    ini->WriteString(kUpdateSection, "Ver", UpdateSet.Ver);
}

void LoadUpdateSetEx() {
    UpdateSetEx.Ver = VersionIni->ReadString(kUpdateSection, "Ver", kUnknownVersion);
    UpdateSetEx.Address = VersionIni->ReadString(kUpdateSection, "Address", "");
    UpdateSetEx.SetupFile = VersionIni->ReadString(kUpdateSection, "SetupFile", "");
}

void ReadVersionFile(const std::string& fileName) {
    VersionIni = std::make_unique<TIniFile>(fileName);
    // The default version stands in for a missing key and would pass for a new version.
    const bool named = !VersionIni->ReadString(kUpdateSection, "Ver", "").empty();
    LoadUpdateSetEx();
    VersionIni.reset();
    if (!named) {
        throw Exception("The version file names no Ver");
    }
}

void GetListItem(const std::string& Text, int Index, const std::string& Separator,
                 std::string& Item) {
    if (Index < 1) {
        return;
    }
    std::string lined;
    size_t from = 0;
    if (!Separator.empty()) {
        for (size_t at = Text.find(Separator); at != std::string::npos;
             at = Text.find(Separator, from)) {
            lined.append(Text, from, at - from).push_back('\n');
            from = at + Separator.size();
        }
    }
    lined.append(Text, from);
    // Split as a text list does: CR, LF and CR LF each end a line, and a final line end adds
    // no empty line.
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < lined.size(); ++i) {
        char c = lined[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < lined.size() && lined[i + 1] == '\n') {
                ++i;
            }
        } else {
            line += c;
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    if (static_cast<int>(lines.size()) >= Index) {
        Item = lines[Index - 1];
    }
}

bool IsAutoMode(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (!argument.empty() &&
            (argument[0] == '-' || argument[0] == '/' || argument[0] == '\\') &&
            SameAsciiNoCase(argument.substr(1), "AUTO")) {
            return true;
        }
    }
    return false;
}

void InitUpdaterNames(const std::string& exePath) {
    UpdaterExeName = platform::ProgramBaseName(exePath);
}
