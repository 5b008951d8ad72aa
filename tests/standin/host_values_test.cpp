// Value classes of the host: BByteArray and the DOM.
// Guards against: a foreign hex pair decoded, XML escapes or non-ASCII lost in
// a round trip, a failed parse clobbering the document, copies sharing state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BByteArray.h"
#include "BDomData.h"
#include "standin_test_util.h"

namespace {

std::wstring hexOf(const BByteArray& bytes) {
  ACE_WString text;
  bytes.getString(text);
  return str(text);
}

std::wstring xmlOf(const BDomData& dom) {
  ACE_WString xml;
  EXPECT_TRUE(dom.getXML(xml));
  return str(xml);
}

TEST(HostBByteArray, DecodesHexPairsAndPrintsUpperCase) {
  struct Row {
    const char* hex;
    std::vector<unsigned char> bytes;
    std::wstring text;
  };
  const Row rows[] = {
      {"62f1904631", {0x62, 0xF1, 0x90, 0x46, 0x31}, L"62F1904631"},
      {"ABC", {0xAB}, L"AB"},     // odd digit dropped
      {"12zz34", {0x12}, L"12"},  // stops at the first foreign pair
      {"1 23", {}, L""},
      {nullptr, {}, L""},
  };
  for (const Row& row : rows) {
    const BByteArray fromText(row.hex);
    EXPECT_EQ(fromText.getArray(), row.bytes);
    EXPECT_EQ(hexOf(fromText), row.text);
    EXPECT_EQ(hexOf(BByteArray(row.bytes)), row.text);
  }
}

TEST(HostDom, ElementOperations) {
  struct Row {
    const wchar_t* xml;
    bool parsed;
    std::wstring written;  // getXML after setXML
    std::wstring content;  // getContent
  };
  const Row rows[] = {
      {L"<a>x<b>y<![CDATA[<z>]]></b>w</a>", true, L"<a>x<b>y<![CDATA[<z>]]></b>w</a>", L"xy<z>w"},
      {L"<?xml version=\"1.0\"?><!-- c --><r k=\"v\"/>", true, L"<r k=\"v\"/>", L""},
      {L"<r k=\"&lt;&amp;&quot;\">&lt;&gt;</r>", true, L"<r k=\"&lt;&amp;&quot;\">&lt;&gt;</r>",
       L"<>"},
      {L"<r k=\"\u00E9\u20AC\">\U0001F600</r>", true, L"<r k=\"\u00E9\u20AC\">\U0001F600</r>",
       L"\U0001F600"},
      {L"<r><s></r>", false, L"<old/>", L""},
      {L"", false, L"<old/>", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.xml)));
    BDomData dom;
    ASSERT_TRUE(dom.setXML(L"<old/>"));
    EXPECT_EQ(dom.setXML(wide(row.xml)), row.parsed);
    EXPECT_EQ(xmlOf(dom), row.written);
    ACE_WString content(L"sentinel");
    EXPECT_TRUE(dom.getContent(content));
    EXPECT_EQ(str(content), row.content);
  }
}

TEST(HostDom, AttributesCopiesAndEmptyObjects) {
  BDomData dom;
  ACE_WString value(L"sentinel");
  EXPECT_FALSE(dom.getXML(value));
  EXPECT_FALSE(dom.setAttributeValue(L"k", L"v"));
  EXPECT_FALSE(dom.insertElement(dom));
  EXPECT_FALSE(dom.getAttributeValue(L"k", value));
  EXPECT_EQ(str(value), L"sentinel");

  ASSERT_TRUE(dom.setXML(L"<r/>"));
  EXPECT_TRUE(dom.setAttributeValue(L"k", L"a \"b\" <c> \u00E9"));
  EXPECT_TRUE(dom.setAttributeValue(L"k", L"second"));  // replaces, no duplicate
  EXPECT_FALSE(dom.setAttributeValue(wide(L""), L"x"));
  BDomData copy(dom);
  BDomData assigned;
  assigned = dom;
  copy.setAttributeValue(L"k", L"copy");
  dom.setAttributeValue(L"k", L"original");
  EXPECT_EQ(xmlOf(copy) + xmlOf(assigned), L"<r k=\"copy\"/><r k=\"second\"/>");

  BDomData child;
  EXPECT_FALSE(dom.insertElement(child));  // nothing to insert
  ASSERT_TRUE(child.setXML(L"<c/>"));
  EXPECT_TRUE(dom.insertElement(child));
  EXPECT_TRUE(dom.insertElement(dom));  // a copy of itself as it was
  EXPECT_EQ(xmlOf(dom), L"<r k=\"original\"><c/><r k=\"original\"><c/></r></r>");
}

}  // namespace
