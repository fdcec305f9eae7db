#include <gtest/gtest.h>

#include "PrivateProfile.h"
#include "TestFolder.h"

using namespace platform;

TEST(PrivateProfile, ReadsWithTheProfileRules) {
    TestFolder dir;
    dir.Write("a.ini", Gbk("; comment\r\n[Other]\r\nKey=other\r\n"
                           "  [ 系统设置 ]  \r\n"
                           "  BaseUrl  =  \"http://x/\"  \r\n"
                           "Quoted='one' 'two'\r\n"
                           "Half=\"open\r\n"
                           "noequals\r\n"
                           "Empty=\r\n"
                           "中文键=值\r\n"
                           "baseurl=second\r\n"));
    const std::string f = dir.File("a.ini");
    EXPECT_EQ(GetPrivateProfileString("系统设置", "BASEURL", "d", f), "http://x/");
    EXPECT_EQ(GetPrivateProfileString("系统设置", "Quoted", "d", f), "one' 'two");
    EXPECT_EQ(GetPrivateProfileString("系统设置", "Half", "d", f), "\"open");
    EXPECT_EQ(GetPrivateProfileString("系统设置", "Empty", "d", f), "");
    EXPECT_EQ(GetPrivateProfileString("系统设置", "noequals", "d", f), "d");
    EXPECT_EQ(GetPrivateProfileString("系统设置", "中文键", "d", f), "值");
    EXPECT_EQ(GetPrivateProfileString("系统设置", "Key", "d", f), "d");
    EXPECT_EQ(GetPrivateProfileString("other", "KEY", "d", f), "other");
    EXPECT_EQ(GetPrivateProfileString("missing", "Key", "d", f), "d");
    EXPECT_EQ(GetPrivateProfileString("系统设置", "BaseUrl", "d", dir.File("none.ini")), "d");
}

TEST(PrivateProfile, SurvivesGarbageAndLongLines) {
    TestFolder dir;
    constexpr char kHead[] = "\xFF\xFE\x00\x81[\r\n\x80=\x81\n[S]\nk=";
    std::string garbage = std::string(kHead, sizeof kHead - 1) + std::string(100000, 'v') + "\n";
    garbage += std::string("\0\0\0", 3) + "\n[T]\nk=\xD6\xD0\n";
    dir.Write("g.ini", garbage);
    const std::string f = dir.File("g.ini");
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", f), std::string(kProfileValueLimit, 'v'));
    EXPECT_EQ(GetPrivateProfileString("T", "k", "", f), "中");
    // A double-byte character is never cut in half at the value limit.
    dir.Write("cut.ini", "[S]\r\nk=a" + std::string(3000, '\xD6') + "\r\n");
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", dir.File("cut.ini")).size(), 1 + 1023u * 3);
}

TEST(PrivateProfile, WritesInPlaceAndKeepsEverythingElse) {
    TestFolder dir;
    const std::string f = dir.File("w.ini");
    dir.Write("w.ini", "[A]\r\nx=1\r\n\r\n[B]\r\n\xFF\xFE junk\r\ny=2\r\n");
    ASSERT_TRUE(WritePrivateProfileString("a", "X", "10", f));
    ASSERT_TRUE(WritePrivateProfileString("A", "z", "中", f));
    ASSERT_TRUE(WritePrivateProfileString("新", "k", "v", f));
    EXPECT_EQ(dir.Read("w.ini"),
              "[A]\r\nX=10\r\nz=\xD6\xD0\r\n\r\n[B]\r\n\xFF\xFE junk\r\ny=2\r\n" +
                  Gbk("[新]\r\nk=v\r\n"));
    ASSERT_TRUE(WritePrivateProfileString("B", std::nullopt, std::nullopt, f));
    ASSERT_TRUE(WritePrivateProfileString("A", "z", std::nullopt, f));
    EXPECT_EQ(dir.Read("w.ini"), "[A]\r\nX=10\r\n\r\n" + Gbk("[新]\r\nk=v\r\n"));
}

TEST(PrivateProfile, RefusedWriteLeavesNothingBehind) {
    TestFolder dir;
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", dir.File("missing/x.ini")));
    EXPECT_FALSE(ReplaceFileContents(dir.File("missing/x.ini"), "data"));
    EXPECT_TRUE(ReplaceFileContents(dir.File("x.bin"), std::string("a\0b", 3)));
    EXPECT_EQ(dir.Read("x.bin"), std::string("a\0b", 3));
}
