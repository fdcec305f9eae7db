#pragma once

#include <memory>
#include <string>

#include "QzIniFile.h"

// The settings records and names that live for the whole run. Every record starts empty; the
// loaders fill them from the configuration file (Config/Config.ini beside the program) and the
// parameter file.

struct TSystemSet {
    int LogLevel = 0;
    std::string UpdatePath;
    std::string BaseUrl;
};

struct TRequestUrl {
    std::string queryStoreInfoUrl;
    std::string syyLoginUrl;
    std::string microPayUrl;
    std::string orderQueryUrl;
    std::string orderReverseUrl;
    std::string closeOrderUrl;
    std::string unifiedOrderUrl;
    std::string refundUrl;
    std::string refundQueryUrl;
    std::string queryRefundDetailUrl;
    std::string queryOrderDetailUrl;
    std::string refundPrintQueryUrl;
    std::string orderPrintQueryUrl;
    std::string todayTotalUrl;
    std::string syyUpdPwdUrl;
};

struct TInterfacePRM {
    std::string MchName;
    std::string MchID;
    std::string AppID;
    std::string Key;
    std::string StoreName;
    std::string StoreAppID;
};

struct TSyyInfo {
    std::string SyyID;
    std::string SyyName;
};

struct TPrintSet {
    int PrinterType = 0;
    std::string PrinterPort;
    std::string PrinterName;
    std::string FontName;
    int FontSize = 0;
    int FontCharset = 0;
};

struct TShortCutSet {
    std::string ShortCutHideOrShow;
    std::string ShortCutExit;
    std::string ShortCutCancel;
};

struct TGetMyValueSet {
    bool IsUse = false;
    std::string Title;
    int Order = 0;
    std::string ClassName;
};

extern TSystemSet SystemSet;
extern TRequestUrl RequestUrls;
extern TInterfacePRM InterfacePRM;
extern TSyyInfo SyyInfo;
extern TPrintSet PrintSet;
extern TShortCutSet ShortCutSet;
extern TGetMyValueSet GetMyValueSet;

extern std::string AppExeName;
extern std::string AppTitle;
// The program folder with its trailing "/": where Config, Parameter, Log and PayCode.bmp live.
extern std::string AppPath;

// The one open handle on Config/Config.ini; opened by the start-up, closed at the end of the run.
extern std::unique_ptr<TIniFile> ConfigIni;

// The client's version and the caption built from it.
inline constexpr const char* kClientVersion = VELPAY_CLIENT_VERSION;
inline constexpr const char* kAppTitlePrefix = "海川微信支付收银系统";

void LoadSystemSet();
void LoadPrintSet();
void SavePrintSet();
void LoadShortCutSet();
void SaveShortCutSet();
void LoadGetMyValueSet();

// The folder the updater is installed in: "update/" beside the program folder.
std::string ComputeUpdatePath(const std::string& programFolder);
// The folder that holds the program folder, with its trailing "/" (/opt/pay/ gives /opt/).
std::string ParentFolder(const std::string& programFolder);
