#include <gtest/gtest.h>

#include "LogEntries.h"
#include "QzSign.h"
#include "TestFolder.h"

// Every expected digest is the MD5 of the text named beside it, computed with md5sum.

namespace {

class Sign : public ::testing::Test {
protected:
    // The signature of a document, or "unchanged" when MakeSign left Sign alone.
    std::string SignOf(const std::string& xml, const std::string& key = "k") {
        std::string sign = "unchanged";
        MakeSign(xml, key, sign);
        return sign;
    }
    TestFolder dir;
};

}  // namespace

TEST_F(Sign, MatchesThePublishedWeChatPayExample) {
    const std::string key = "192006250b4c09247ec02edce69f6a2d";
    const std::string expected = "9A0A8659F005D6984697E2CA0A9CF3B7";
    EXPECT_EQ(SignOf("<xml><appid>wxd930ea5d5a258f4f</appid><mch_id>10000100</mch_id>"
                     "<device_info>1000</device_info><body>test</body>"
                     "<nonce_str>ibuaiVcKdpRxkhJA</nonce_str></xml>",
                     key),
              expected);
    // Any order, CDATA values, and the reply's own sign element change nothing.
    EXPECT_EQ(SignOf("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xml>\n"
                     "  <nonce_str><![CDATA[ibuaiVcKdpRxkhJA]]></nonce_str>\n"
                     "  <sign><![CDATA[9A0A8659F005D6984697E2CA0A9CF3B7]]></sign>\n"
                     "  <body><![CDATA[test]]></body>\n  <device_info>1000</device_info>\n"
                     "  <mch_id>10000100</mch_id>\n  <appid>wxd930ea5d5a258f4f</appid>\n</xml>",
                     key),
              expected);
}

TEST_F(Sign, LeavesOutEmptyValuesAndEverySign) {
    const std::string keyOnly = "4B85A6894E0FDB0B6F6E58870839FDAF";  // key=k
    EXPECT_EQ(SignOf("<xml/>"), keyOnly);
    EXPECT_EQ(SignOf("<xml><a></a><b/><sign>X</sign><SIGN>Y</SIGN><Sign><n>1</n></Sign></xml>"),
              keyOnly);
    EXPECT_EQ(SignOf("<xml/>", ""), "08E27903AFD3B3888F0974F33B255A0F");  // key=
    // appid=wx1&auth_code=135&mch_id=42&key=k
    EXPECT_EQ(SignOf("<xml><appid>wx1</appid><mch_id>42</mch_id><total_fee></total_fee>"
                     "<auth_code>135</auth_code><sIgN>zz</sIgN></xml>"),
              "059D9E587D49C531711590C1D8B847E9");
}

TEST_F(Sign, SortsWithoutCaseButHashesNamesAsWritten) {
    EXPECT_EQ(SignOf("<xml><B>2</B><a>1</a></xml>"), "0742F24AD93A75C80E0847022291025A");
    EXPECT_EQ(SignOf("<xml><b>2</b><a>1</a></xml>"), "F8F06AFA2E241A36469B9DAC959B3474");
    EXPECT_EQ(SignOf("<xml><A>1</A></xml>"), "8FA5AC39C6F563A6B45D4B18E6A74FEA");
    EXPECT_EQ(SignOf("<xml><a>1</a></xml>"), "AFFDCC88244C83F871BFE4854BE9C1A5");
}

TEST_F(Sign, RepeatsADuplicateNameWithTheFirstValue) {
    // a=1&a=1&key=k
    EXPECT_EQ(SignOf("<xml><a>1</a><a>2</a></xml>"), "06E464DA8DBA18F96AD9230FA9A64855");
    EXPECT_EQ(SignOf("<xml><a></a><a>1</a><a>2</a></xml>"), "06E464DA8DBA18F96AD9230FA9A64855");
}

TEST_F(Sign, TakesValuesAsTheReaderGivesThem) {
    EXPECT_EQ(SignOf("<xml><a>&lt;&amp;&gt;</a></xml>"), "DC987BF044DFDADA1EBD15A2BD52FE69");
    EXPECT_EQ(SignOf("<xml><a><![CDATA[<&>]]></a></xml>"), "DC987BF044DFDADA1EBD15A2BD52FE69");
    EXPECT_EQ(SignOf("<xml><a> v </a></xml>"), "11B6029370CEE856DF5AA772D0AC40A0");
    EXPECT_EQ(SignOf("<xml><a x=\"9\">x&amp;y</a></xml>"), "7B62FECB4D35882B450564D03CE32821");
    // body=收银?&key=k: the emoji does not survive code page 936.
    EXPECT_EQ(SignOf("<xml><body>收银😀</body></xml>"), "C58BDFFE31D7228BF708DBE91D652EA4");
}

TEST_F(Sign, LogsEveryFailureAndKeepsTheOldSign) {
    const char* broken[] = {
        "",
        "not xml",
        "<xml><a>1</a>",
        "<xml><a><b>1</b></a></xml>",
        "<xml><a>1<!-- note --></a></xml>",
        "<xml><a>1<![CDATA[2]]></a></xml>",
        "<!DOCTYPE xml [<!ENTITY e \"boom\">]><xml><a>&e;</a></xml>",
    };
    for (const char* xml : broken) {
        size_t before = LogEntryCount(dir);
        EXPECT_EQ(SignOf(xml), "unchanged") << xml;
        EXPECT_EQ(LogEntryCount(dir), before + 1) << xml;
    }
}
