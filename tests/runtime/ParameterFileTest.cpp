#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include "LogEntries.h"
#include "MyAES.h"
#include "QzParameterFile.h"
#include "QzRuntimeGlobal.h"
#include "QzXml.h"
#include "TestFolder.h"

namespace {

const char* const kFile = "Parameter/Parameter.dat";

TRequestUrl SomeUrls() {
    return {"/a/queryStoreInfo",    "/a/syyLogin",         "/a/microPay",
            "/a/orderQuery",        "/a/orderReverse",     "/a/closeOrder",
            "/a/unifiedOrder",      "/a/refund",           "/a/refundQuery",
            "/a/queryRefundDetail", "/a/queryOrderDetail", "/a/refundPrintQuery",
            "/a/orderPrintQuery",   "/a/todayTotal",       "/a/syyUpdPwd?x=1&y=<2>"};
}

TInterfacePRM SomeMerchant() {
    return {"海川超市 & <总店>",  "1900000109",
            "wx2421b1c4370ec43b", "192006250b4c09247ec02edce69f6a2d",
            "  一号门店  ",       "门店AppID-07"};
}

bool operator==(const TRequestUrl& a, const TRequestUrl& b) {
    return a.queryStoreInfoUrl == b.queryStoreInfoUrl && a.syyLoginUrl == b.syyLoginUrl &&
           a.microPayUrl == b.microPayUrl && a.orderQueryUrl == b.orderQueryUrl &&
           a.orderReverseUrl == b.orderReverseUrl && a.closeOrderUrl == b.closeOrderUrl &&
           a.unifiedOrderUrl == b.unifiedOrderUrl && a.refundUrl == b.refundUrl &&
           a.refundQueryUrl == b.refundQueryUrl &&
           a.queryRefundDetailUrl == b.queryRefundDetailUrl &&
           a.queryOrderDetailUrl == b.queryOrderDetailUrl &&
           a.refundPrintQueryUrl == b.refundPrintQueryUrl &&
           a.orderPrintQueryUrl == b.orderPrintQueryUrl && a.todayTotalUrl == b.todayTotalUrl &&
           a.syyUpdPwdUrl == b.syyUpdPwdUrl;
}

bool operator==(const TInterfacePRM& a, const TInterfacePRM& b) {
    return a.MchName == b.MchName && a.MchID == b.MchID && a.AppID == b.AppID && a.Key == b.Key &&
           a.StoreName == b.StoreName && a.StoreAppID == b.StoreAppID;
}

bool IsEmpty(const TInterfacePRM& m) {
    return m == TInterfacePRM{};
}

std::string Enciphered(const std::string& plain) {
    TMemoryStream source(plain);
    TMemoryStream dest;
    AESEncryptStream(source, kStoredAESKey, &dest, 0);
    return dest.Bytes();
}

std::string Deciphered(const std::string& bytes) {
    TMemoryStream source(bytes);
    TMemoryStream dest;
    AESDecryptStream(source, kStoredAESKey, &dest, 0);
    return dest.Bytes();
}

std::string Hex(const std::string& text) {
    std::string hex;
    AESEncryptString(text, kStoredAESKey, 0, hex);
    return hex;
}

// The text of xml/section/name in a plain parameter document.
std::string Leaf(const std::string& plain, const char* section, const char* name) {
    XmlDocument doc = ParseXml(plain);
    for (xmlNode* parent : RootChildren(doc.get())) {
        if (ElementName(parent) != section) {
            continue;
        }
        for (xmlNode* leaf = parent->children; leaf; leaf = leaf->next) {
            if (leaf->type == XML_ELEMENT_NODE && ElementName(leaf) == name) {
                return ElementText(leaf);
            }
        }
    }
    return "(missing)";
}

class ParameterFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.File("Parameter"));
        RequestUrls = {};
        InterfacePRM = {};
    }
    void TearDown() override {
        RequestUrls = {};
        InterfacePRM = {};
    }
    // Loads with records that hold something, so a failure that forgets to empty shows.
    void LoadOverStaleRecords() {
        InterfacePRM = SomeMerchant();
        LoadParameterFile();
    }
    TestFolder dir;
};

}  // namespace

TEST_F(ParameterFile, SaveThenLoadGivesBackEveryField) {
    RequestUrls = SomeUrls();
    InterfacePRM = SomeMerchant();
    SaveParameterFile();
    RequestUrls = {};
    InterfacePRM = {};

    LoadParameterFile();
    EXPECT_TRUE(RequestUrls == SomeUrls());
    EXPECT_TRUE(InterfacePRM == SomeMerchant());
    EXPECT_EQ(LogEntryCount(dir), 0u);
}

// A store name typed with a stray control character, or any other merchant field holding one,
// must not cost the store its initialisation at the next start.
TEST_F(ParameterFile, EveryControlCharacterInEveryMerchantFieldComesBack) {
    std::string TInterfacePRM::*const fields[] = {
        &TInterfacePRM::MchName, &TInterfacePRM::MchID,     &TInterfacePRM::AppID,
        &TInterfacePRM::Key,     &TInterfacePRM::StoreName, &TInterfacePRM::StoreAppID};
    RequestUrls = SomeUrls();
    for (auto field : fields) {
        for (int byte = 0x01; byte <= 0x1F; ++byte) {
            const std::string c(1, static_cast<char>(byte));
            for (const std::string& value : {"一号" + c + "门店", c}) {
                SCOPED_TRACE(testing::Message()
                             << "byte " << byte << " in a field of " << value.size());
                InterfacePRM = SomeMerchant();
                InterfacePRM.*field = value;
                const TInterfacePRM saved = InterfacePRM;
                SaveParameterFile();
                InterfacePRM = {};
                LoadParameterFile();
                ASSERT_TRUE(InterfacePRM == saved);
            }
        }
    }
    EXPECT_TRUE(RequestUrls == SomeUrls());
    EXPECT_EQ(LogEntryCount(dir), 0u);
}

TEST_F(ParameterFile, KeepsMerchantIdentifiersEncipheredInsideTheEncipheredFile) {
    RequestUrls = SomeUrls();
    InterfacePRM = SomeMerchant();
    InterfacePRM.AppID = "";
    SaveParameterFile();

    std::string bytes = dir.Read(kFile);
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ((bytes.size() - 8) % 16, 0u);
    std::string plain = Deciphered(bytes);
    EXPECT_EQ(plain.find("192006250b4c09247ec02edce69f6a2d"), std::string::npos);

    EXPECT_EQ(Leaf(plain, "InterfacePara", "MchName"), "海川超市 & <总店>");
    EXPECT_EQ(Leaf(plain, "InterfacePara", "StoreName"), "  一号门店  ");
    EXPECT_EQ(Leaf(plain, "InterfacePara", "MchID"), Hex("1900000109"));
    EXPECT_EQ(Leaf(plain, "InterfacePara", "AppID").size(), 32u);
    EXPECT_EQ(Leaf(plain, "InterfacePara", "Key").size(), 96u);
    EXPECT_EQ(Leaf(plain, "InterfacePara", "StoreAppID"), Hex("门店AppID-07"));
    EXPECT_EQ(Leaf(plain, "RequestUrl", "todayTotalUrl"), "/a/todayTotal");
}

TEST_F(ParameterFile, AcceptsAnyWellFormedDocumentOfTheShape) {
    dir.Write(kFile, Enciphered("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<xml>"
                                "<InterfacePara><MchName>" +
                                Gbk("总店") + "</MchName><Key>" + Hex("k1") +
                                "</Key></InterfacePara>"
                                "<RequestUrl><refundUrl>/r</refundUrl></RequestUrl></xml>"));
    RequestUrls = SomeUrls();
    LoadParameterFile();
    EXPECT_EQ(InterfacePRM.MchName, "总店");
    EXPECT_EQ(InterfacePRM.Key, "k1");
    EXPECT_EQ(InterfacePRM.MchID, "");
    EXPECT_EQ(RequestUrls.refundUrl, "/r");
    EXPECT_EQ(RequestUrls.microPayUrl, "");  // a missing element reads as empty
    EXPECT_EQ(LogEntryCount(dir), 0u);
}

TEST_F(ParameterFile, MissingFileLogsOnceAndLeavesEverythingEmpty) {
    LoadOverStaleRecords();
    EXPECT_TRUE(IsEmpty(InterfacePRM));
    EXPECT_TRUE(RequestUrls == TRequestUrl{});
    EXPECT_EQ(LogEntryCount(dir), 1u);
}

TEST_F(ParameterFile, DamagedFilesLogOnceAndEmptyTheMerchant) {
    RequestUrls = SomeUrls();
    InterfacePRM = SomeMerchant();
    SaveParameterFile();
    const std::string good = dir.Read(kFile);
    std::string flipped = good;
    flipped[20] ^= 0x01;
    const std::string damaged[] = {
        "",
        good.substr(0, good.size() - 1),
        good.substr(0, 8),
        good.substr(0, good.size() / 2 / 16 * 16 + 8),  // cut at a block boundary
        flipped,
        "plain text, not enciphered at all",
        Enciphered("not xml"),
        Enciphered(""),
        Enciphered("<!DOCTYPE xml [<!ENTITY k SYSTEM \"file:///etc/passwd\">]>"
                   "<xml><InterfacePara><MchName>&k;</MchName></InterfacePara></xml>"),
        Enciphered("<xml><InterfacePara><MchID>ZZ</MchID></InterfacePara></xml>"),
        Enciphered("<xml><InterfacePara><Key>" + Hex("k").substr(2) +
                   "</Key></InterfacePara></xml>"),
        Enciphered("<xml><InterfacePara><MchName><b>x</b></MchName></InterfacePara></xml>"),
        // Of the right shape but under another root: not the parameter file.
        Enciphered("<config><InterfacePara><MchName>x</MchName></InterfacePara></config>"),
    };
    for (size_t i = 0; i < std::size(damaged); ++i) {
        dir.Write(kFile, damaged[i]);
        size_t before = LogEntryCount(dir);
        LoadOverStaleRecords();
        EXPECT_TRUE(IsEmpty(InterfacePRM)) << i;
        EXPECT_EQ(LogEntryCount(dir), before + 1) << i;
    }
}

TEST_F(ParameterFile, PathsReadBeforeAFailureStay) {
    dir.Write(kFile, Enciphered("<xml><RequestUrl><queryStoreInfoUrl>/q</queryStoreInfoUrl>"
                                "<syyLoginUrl><x/></syyLoginUrl><microPayUrl>/m</microPayUrl>"
                                "</RequestUrl></xml>"));
    RequestUrls = SomeUrls();
    LoadOverStaleRecords();
    EXPECT_EQ(RequestUrls.queryStoreInfoUrl, "/q");
    EXPECT_EQ(RequestUrls.syyLoginUrl, "/a/syyLogin");
    EXPECT_EQ(RequestUrls.microPayUrl, "/a/microPay");
    EXPECT_TRUE(IsEmpty(InterfacePRM));
}

TEST_F(ParameterFile, EverySaveReplacesTheFileWhole) {
    InterfacePRM = SomeMerchant();
    SaveParameterFile();
    InterfacePRM.MchName = "第二次";
    SaveParameterFile();
    InterfacePRM = {};
    LoadParameterFile();
    EXPECT_EQ(InterfacePRM.MchName, "第二次");
    EXPECT_EQ(InterfacePRM.Key, SomeMerchant().Key);
    EXPECT_FALSE(std::filesystem::exists(dir.File("Parameter/Parameter.dat.new")));
}

TEST_F(ParameterFile, FailedSaveLogsAndLeavesTheOldFileWhole) {
    InterfacePRM = SomeMerchant();
    SaveParameterFile();
    const std::string old = dir.Read(kFile);
    // Something in the way of the new file: the write fails before the old one is touched.
    std::filesystem::create_directories(dir.File("Parameter/Parameter.dat.new"));
    InterfacePRM.MchName = "新名字";
    SaveParameterFile();
    EXPECT_EQ(dir.Read(kFile), old);
    EXPECT_EQ(InterfacePRM.MchName, "新名字");
    EXPECT_EQ(LogEntryCount(dir), 1u);
}

// A till whose parameter file is a link to a file kept elsewhere, readable only by its owner.
TEST_F(ParameterFile, SaveWritesThroughALinkAndKeepsThePermissions) {
    dir.Write("kept/Parameter.dat", "");
    ASSERT_EQ(chmod(dir.File("kept/Parameter.dat").c_str(), 0600), 0);
    std::filesystem::create_symlink("../kept/Parameter.dat", dir.File(kFile));
    InterfacePRM = SomeMerchant();
    SaveParameterFile();
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File(kFile)));
    EXPECT_EQ(std::filesystem::status(dir.File("kept/Parameter.dat")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    InterfacePRM = {};
    LoadParameterFile();
    EXPECT_TRUE(InterfacePRM == SomeMerchant());
    EXPECT_EQ(LogEntryCount(dir), 0u);
}

TEST_F(ParameterFile, SaveIntoAMissingFolderLogsAndWritesNothing) {
    std::filesystem::remove_all(dir.File("Parameter"));
    InterfacePRM = SomeMerchant();
    SaveParameterFile();
    EXPECT_FALSE(std::filesystem::exists(dir.File("Parameter")));
    EXPECT_TRUE(InterfacePRM == SomeMerchant());
    EXPECT_EQ(LogEntryCount(dir), 1u);
    EXPECT_NE(LogText(dir).find("Parameter.dat"), std::string::npos);
}
