#include "QzRuntimeGlobal.h"

#include "Process.h"

TSystemSet SystemSet;
TRequestUrl RequestUrls;
TInterfacePRM InterfacePRM;
TSyyInfo SyyInfo;
TPrintSet PrintSet;
TShortCutSet ShortCutSet;
TGetMyValueSet GetMyValueSet;

std::string AppExeName;
std::string AppTitle;
std::string AppPath = platform::ProgramFolder();
std::unique_ptr<TIniFile> ConfigIni;

namespace {

const char* const kSystemSection = "系统设置";
const char* const kPrintSection = "打印设置";
const char* const kShortCutSection = "快捷键设置";
const char* const kGetMyValueSection = "获取外部金额";

// The loaders run before the configuration file is known to exist; without it they give the
// defaults, as a missing file does.
TIniFile& Ini() {
    static TIniFile none("");
    return ConfigIni ? *ConfigIni : none;
}

}  // namespace

std::string ParentFolder(const std::string& programFolder) {
    std::string folder = programFolder;
    if (!folder.empty() && folder.back() == '/') {
        folder.pop_back();
    }
    std::string probe = folder + "x.x";
    return probe.substr(0, probe.rfind('/') + 1);
}

std::string ComputeUpdatePath(const std::string& programFolder) {
    return ParentFolder(programFolder) + "update/";
}

void LoadSystemSet() {
    SystemSet.LogLevel = Ini().ReadInteger(kSystemSection, "LogLevel", 0);
    SystemSet.BaseUrl = Ini().ReadString(kSystemSection, "BaseUrl", "");
    SystemSet.UpdatePath = ComputeUpdatePath(AppPath);
}

void LoadPrintSet() {
    PrintSet.PrinterType = Ini().ReadInteger(kPrintSection, "PrinterType", 0);
    PrintSet.PrinterPort = Ini().ReadString(kPrintSection, "PrinterPort", "LPT1");
    PrintSet.PrinterName = Ini().ReadString(kPrintSection, "PrinterName", "");
    PrintSet.FontName = Ini().ReadString(kPrintSection, "FontName", "宋体");
    PrintSet.FontSize = Ini().ReadInteger(kPrintSection, "FontSize", 9);
    PrintSet.FontCharset = Ini().ReadInteger(kPrintSection, "FontCharset", 134);
}

void SavePrintSet() {
    Ini().EraseSection(kPrintSection);
    Ini().WriteInteger(kPrintSection, "PrinterType", PrintSet.PrinterType);
    Ini().WriteString(kPrintSection, "PrinterPort", PrintSet.PrinterPort);
    Ini().WriteString(kPrintSection, "PrinterName", PrintSet.PrinterName);
    Ini().WriteString(kPrintSection, "FontName", PrintSet.FontName);
    Ini().WriteInteger(kPrintSection, "FontSize", PrintSet.FontSize);
    Ini().WriteInteger(kPrintSection, "FontCharset", PrintSet.FontCharset);
}

void LoadShortCutSet() {
    ShortCutSet.ShortCutHideOrShow =
        Ini().ReadString(kShortCutSection, "ShortCutHideOrShow", "ESC");
    ShortCutSet.ShortCutExit = Ini().ReadString(kShortCutSection, "ShortCutExit", "0");
    ShortCutSet.ShortCutCancel = Ini().ReadString(kShortCutSection, "ShortCutCancel", "ESC");
}

void SaveShortCutSet() {
    Ini().EraseSection(kShortCutSection);
    Ini().WriteString(kShortCutSection, "ShortCutHideOrShow", ShortCutSet.ShortCutHideOrShow);
    Ini().WriteString(kShortCutSection, "ShortCutExit", ShortCutSet.ShortCutExit);
    Ini().WriteString(kShortCutSection, "ShortCutCancel", ShortCutSet.ShortCutCancel);
}

void LoadGetMyValueSet() {
    GetMyValueSet.IsUse = Ini().ReadBool(kGetMyValueSection, "IsUse", false);
    GetMyValueSet.Title = Ini().ReadString(kGetMyValueSection, "Title", "");
    GetMyValueSet.Order = Ini().ReadInteger(kGetMyValueSection, "Order", 0);
    GetMyValueSet.ClassName = Ini().ReadString(kGetMyValueSection, "ClassName", "");
}
