#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>

#include "QzErrors.h"
#include "QzLog.h"
#include "QzRuntimeGlobal.h"
#include "TestFolder.h"

namespace {

std::string TodaysLogName() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[32];
    std::strftime(name, sizeof name, "Log/log%Y%m%d.txt", &local);
    return name;
}

}  // namespace

TEST(WriteLog, CreatesTheFolderAndAppendsTwoLineEntriesInCodePage936) {
    TestFolder dir;
    AppPath = dir.Path() + "deep/er/";
    WriteLog("第一条");
    WriteLog("");
    WriteLog("<xml>\r\n  <a/>\r\n</xml>");
    AppPath = dir.Path();
    std::string bytes = dir.Read("deep/er/" + TodaysLogName());
    const std::string time = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\r\n)";
    std::regex entry("^" + time + Gbk("第一条") + "\r\n" + time + "\r\n" + time +
                     "<xml>\r\n  <a/>\r\n</xml>\r\n$");
    EXPECT_TRUE(std::regex_match(bytes, entry)) << bytes;
}

TEST(WriteLog, MessagesGoInCodePage936AndWireTextsAsTheyAre) {
    TestFolder dir;
    const std::string utf8 = "<errmsg>余额不足</errmsg>";
    const std::string gbk = Gbk("<errmsg>余额不足</errmsg>");
    WriteLog(utf8);
    WriteLogBytes(utf8);
    WriteLogBytes(gbk);
    const std::string time = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\r\n)";
    std::regex entries("^" + time + gbk + "\r\n" + time + utf8 + "\r\n" + time + gbk + "\r\n$");
    std::string bytes = dir.Read(TodaysLogName());
    EXPECT_TRUE(std::regex_match(bytes, entries)) << bytes;
}

TEST(WriteLog, RaisesWhenTheFolderCannotBeMade) {
    TestFolder dir;
    dir.Write("Log", "a file where the folder should be");
    EXPECT_THROW(WriteLog("x"), EInOutError);
}
