#include "GatewayFixture.h"
#include "TextCodec.h"
#include "UnitCheckVer.h"

namespace {

using namespace std::string_literals;

class CheckVerTest : public GatewayFixture {
protected:
    bool HaveNewVer() { return TCheckVer().HaveNewVer(); }
    void ServeVersionFile(const std::string& bytes) {
        Gateway().Config("{\"update_txt_b64\": " + JsonBase64(bytes) + "}");
    }
};

TEST_F(CheckVerTest, OnlyAVersionThatSortsAfterOursAsTextIsNewer) {
    struct Case {
        std::string file;
        bool newer;
    } cases[] = {
        {"[升级配置]\r\nVer=1.0.6\r\nAddress=x\r\n", true},
        {"[升级配置]\r\nVER=1.0.5\r\n", false},
        {"[升级配置]\r\nVer=1.0.10\r\n", false},
        {"[升级配置]\r\nVer=1.0.4\r\n", false},
        {"Ver=1.1\r\n", true},
        {"Ver=2.0\r\n", true},
        {"Ver=1.0.5.1\r\n", true},
        {"ver =1.0.6\r\n", false},
        {"ver=1.0.4\r\nVer=1.0.6\r\n", false},
        {"[升级配置]\nVer=1.0.6\n", true},
        {"[升级配置]\rVer=1.0.6\r", true},
        {"Address=http://x/?ver=9\r\nVer=1.0.6", true},
        {"[升级配置]\r\nVer=\r\nVer=1.0.6\r\n", false},
        {"Address=x\0\r\nVer=1.0.6\r\n"s, false},  // a NUL byte ends the text
        {"[升级配置]\r\nAddress=x\r\n", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ServeVersionFile(Gbk(c.file));
        EXPECT_EQ(HaveNewVer(), c.newer);
    }
    EXPECT_EQ(LogText(), "");  // a file without a newer version is no failure
}

TEST_F(CheckVerTest, NoBaseUrlMeansNoQuestion) {
    SystemSet.BaseUrl = "";
    EXPECT_FALSE(HaveNewVer());
    EXPECT_TRUE(Gateway().Requests().empty());
    EXPECT_EQ(LogText(), "");
}

TEST_F(CheckVerTest, AFailedFetchIsFalseAndLogged) {
    Gateway().Config(R"({"update_status": 404})");
    EXPECT_FALSE(HaveNewVer());
    EXPECT_NE(LogText().find("\r\nHaveNewVer异常:HTTP status 404\r\n"), std::string::npos);

    Gateway().Reset();
    Gateway().Script("version", "[{\"redirect\": " +
                                    JsonText(Gateway().BaseUrl() + "/download/Update.txt") + "}]");
    EXPECT_FALSE(HaveNewVer());
    EXPECT_EQ(Gateway().Requests("version").size(), 1u);
    EXPECT_NE(LogText().find("\r\nHaveNewVer异常:HTTP status 302\r\n"), std::string::npos);

    // A server that sends a byte every half second never falls silent: the bound on the whole
    // request lets the start-up go on.
    ShorterRequestBound bound(std::chrono::seconds(2));
    Gateway().Script("version", R"([{"trickle": 0.5}])");
    EXPECT_FALSE(HaveNewVer());
    EXPECT_NE(LogText().find("\r\nHaveNewVer异常:Transfer not completed within 2000 ms\r\n"),
              std::string::npos);

    SystemSet.BaseUrl = "http://127.0.0.1:1";
    EXPECT_FALSE(HaveNewVer());
    EXPECT_NE(LogText().find("\r\nHaveNewVer异常:Failed to connect"), std::string::npos);
}

}  // namespace
