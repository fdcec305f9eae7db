#include <gtest/gtest.h>

#include "QzErrors.h"
#include "QzXmlTree.h"

namespace {

const char* const kList = R"(<?xml version="1.0" encoding="UTF-8"?>
<xml>
  <result><![CDATA[0]]></result>
  <record_count>3</record_count>
  <order_datas>
    <order_data><out_trade_no><![CDATA[A1]]></out_trade_no><total_fee>0.01</total_fee></order_data>
    <other><out_trade_no>B2</out_trade_no><nested><out_trade_no>deep</out_trade_no></nested></other>
    <!-- a comment is no record -->
    <order_data><out_trade_no>C<![CDATA[3]]></out_trade_no></order_data>
  </order_datas>
  <result>second</result>
</xml>)";

}  // namespace

TEST(XmlTree, FindsChildrenByNameAmongDirectChildrenOnly) {
    const TXmlTree tree(kList);
    EXPECT_EQ(tree.Value("result"), "0") << "the first of two namesakes";
    EXPECT_EQ(tree.Value("record_count"), "3");
    EXPECT_EQ(tree.Value("out_trade_no"), "") << "grandchildren are not looked at";
    EXPECT_EQ(tree.Value("Result"), "") << "names are exact";
    EXPECT_FALSE(tree.Root().Child("missing").Exists());
    EXPECT_EQ(tree.Root().Child("missing").Child("deeper").Text(), "");
}

TEST(XmlTree, TakesRecordsByPositionWhateverTheirNames) {
    const TXmlTree tree(kList);
    const TXmlRecords orders = tree.Records("order_datas");
    ASSERT_EQ(orders.Count(), 3u);
    EXPECT_EQ(orders.At(0).Value("out_trade_no"), "A1");
    EXPECT_EQ(orders.At(1).Value("out_trade_no"), "B2");
    EXPECT_EQ(orders.At(2).Value("out_trade_no"), "C3") << "text and CDATA joined";
    EXPECT_EQ(orders.At(1).Value("total_fee"), "") << "a missing child reads empty";
    EXPECT_EQ(orders.At(1).Value("nested"), "deep") << "a value is the text content";
}

TEST(XmlTree, APositionPastTheLastRecordRaises) {
    const TXmlTree tree(kList);
    const TXmlRecords orders = tree.Records("order_datas");
    EXPECT_THROW(orders.At(3), Exception);
    EXPECT_THROW(orders.At(-1), Exception);
    try {
        orders.At(100000);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Record 100000 of order_datas does not exist: it holds 3");
    }
    const TXmlRecords none = tree.Records("refund_datas");
    EXPECT_EQ(none.Count(), 0u);
    EXPECT_THROW(none.At(0), Exception) << "a missing list has no records";
}

TEST(XmlTree, RefusesWhatIsNoDocument) {
    for (const char* text :
         {"", "not xml", "<xml><a></xml>", "<!DOCTYPE xml [<!ENTITY e \"x\">]><xml>&e;</xml>"}) {
        EXPECT_THROW(TXmlTree{text}, Exception) << text;
    }
}

TEST(XmlTree, ReadsTheEncodingTheDocumentNames) {
    // "退款" in GBK.
    const TXmlTree tree(
        "<?xml version=\"1.0\" encoding=\"GBK\"?><xml><s>\xCD\xCB\xBF\xEE</s></xml>");
    EXPECT_EQ(tree.Value("s"), "退款");
}
