// The host DOM and the query/description model classes built on it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

#include "BDomData.h"
#include "DRQuery.h"

namespace {

// ACE's string built from an empty literal trips a false -Wstringop-overflow in
// GCC; building it with an explicit length does not.
ACE_WString wide(const wchar_t* text) {
  return ACE_WString(text, std::wcslen(text));
}

std::wstring str(const ACE_WString& s) {
  return std::wstring(s.c_str(), s.length());
}

std::wstring xmlOf(const BDomData& dom) {
  ACE_WString xml;
  EXPECT_TRUE(dom.getXML(xml));
  return str(xml);
}

template <class T>
T fromXml(const wchar_t* xml) {
  T element;
  EXPECT_TRUE(element.setXML(xml));
  return element;
}

TEST(HostDom, QueryBuiltThroughTheModelClasses) {
  auto query = fromXml<DRQuery>(L"<Query/>");
  query.set_name(L"EP");
  query.set_queryId(L"DEMO/AB");
  query.set_sleepTimer(L"0");
  query.set_requestType(L"read");
  query.set_refresh(L"once");
  query.set_synchronous(L"true");
  auto dataSet = fromXml<DREcuDataSet>(L"<EcuDataSet/>");
  dataSet.set_name(L"DEMO");
  auto state = fromXml<DRState>(L"<State/>");
  state.set_name(L"A");
  dataSet.insert_State(state);
  auto parameter = fromXml<DRParameter>(L"<Parameter/>");
  parameter.set_name(L"B");
  dataSet.insert_Parameter(parameter);
  auto identification = fromXml<DRIdentification>(L"<Identification/>");
  identification.set_name(L"C");
  dataSet.insert_Identification(identification);
  auto input = fromXml<DRInputData>(L"<InputData/>");
  input.set_value(L"4");
  auto inputs = fromXml<DRInputList>(L"<InputList/>");
  inputs.insert_InputData(input);
  auto command = fromXml<DRCommand>(L"<Command/>");
  command.set_name(L"Bleed");
  command.set_InputList(inputs);
  input.set_value(L"5");  // a later change reaches only what is inserted later
  auto second = fromXml<DRInputList>(L"<InputList/>");
  second.insert_InputData(input);
  command.set_InputList(second);  // replaces the first list
  dataSet.insert_Command(command);
  query.insert_EcuDataSet(dataSet);
  state.set_name(L"changed after insertion");

  EXPECT_EQ(xmlOf(query),
            L"<Query name=\"EP\" queryId=\"DEMO/AB\" sleepTimer=\"0\" requestType=\"read\" "
            L"refresh=\"once\" synchronous=\"true\"><EcuDataSet name=\"DEMO\"><State name=\"A\"/>"
            L"<Parameter name=\"B\"/><Identification name=\"C\"/><Command name=\"Bleed\">"
            L"<InputList><InputData value=\"5\"/></InputList></Command></EcuDataSet></Query>");
}

TEST(HostDom, ElementOperations) {
  struct Row {
    const char* what;
    const wchar_t* xml;
    bool parsed;
    std::wstring written;  // getXML after setXML
    std::wstring content;  // getContent
  };
  const Row rows[] = {
      {"element", L"<Format>2</Format>", true, L"<Format>2</Format>", L"2"},
      {"nested text in order", L"<a>x<b>y<![CDATA[<z>]]></b>w</a>", true,
       L"<a>x<b>y<![CDATA[<z>]]></b>w</a>", L"xy<z>w"},
      {"declaration and comment dropped", L"<?xml version=\"1.0\"?><!-- c --><r k=\"v\"/>", true,
       L"<r k=\"v\"/>", L""},
      {"escaping", L"<r k=\"&lt;&amp;&quot;\">&lt;&gt;</r>", true,
       L"<r k=\"&lt;&amp;&quot;\">&lt;&gt;</r>", L"<>"},
      {"non-ASCII", L"<r k=\"\u00E9\u20AC\">\U0001F600</r>", true,
       L"<r k=\"\u00E9\u20AC\">\U0001F600</r>", L"\U0001F600"},
      {"malformed", L"<r><s></r>", false, L"<old/>", L""},
      {"no element", L"just text", false, L"<old/>", L""},
      {"empty", L"", false, L"<old/>", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
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
  EXPECT_FALSE(dom.getAttributeValue(L"absent", value));
  EXPECT_TRUE(dom.getAttributeValue(L"k", value));
  EXPECT_EQ(str(value), L"second");

  BDomData copy(dom);
  copy.setAttributeValue(L"k", L"copy");
  BDomData assigned;
  assigned = dom;
  dom.setAttributeValue(L"k", L"original");
  EXPECT_EQ(xmlOf(copy), L"<r k=\"copy\"/>");
  EXPECT_EQ(xmlOf(assigned), L"<r k=\"second\"/>");

  BDomData child;
  EXPECT_FALSE(dom.insertElement(child));  // nothing to insert
  ASSERT_TRUE(child.setXML(L"<c/>"));
  EXPECT_TRUE(dom.insertElement(child));
  EXPECT_TRUE(dom.insertElement(dom));  // a copy of itself as it was
  EXPECT_EQ(xmlOf(dom), L"<r k=\"original\"><c/><r k=\"original\"><c/></r></r>");
}

TEST(HostDom, LoadReadsUtf8FilesOnly) {
  const std::string dir = testing::TempDir();
  struct Row {
    const char* what;
    std::string bytes;
    bool loaded;
    std::wstring written;
  };
  std::string scrambled = "<r/>";
  for (char& c : scrambled) c = static_cast<char>(~c);
  const Row rows[] = {
      {"plain", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r a=\"\xC3\xA9\">\n  <s/>\n</r>\n",
       true, L"<r a=\"\u00E9\"><s/></r>"},
      {"scrambled", scrambled, false, L""},
      {"not XML", "hello", false, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string path = dir + "host_dom_\xC3\xA9_" + row.what + ".xml";
    std::ofstream(path, std::ios::binary) << row.bytes;
    BDomData dom;
    EXPECT_EQ(dom.load(path.c_str()), row.loaded);
    if (row.loaded) {
      EXPECT_EQ(xmlOf(dom), row.written);
    }
    std::remove(path.c_str());
  }
  BDomData dom;
  EXPECT_FALSE(dom.load((dir + "host_dom_missing.xml").c_str()));
  EXPECT_FALSE(dom.load(nullptr));
}

TEST(HostDom, DescriptionsAnswerHasAndGet) {
  struct Row {
    const wchar_t* xml;
    bool hasMask;
    std::wstring mask;
  };
  const Row rows[] = {
      {L"<State name=\"S\"><Mask value=\"VehicleType == 2\"/></State>", true, L"VehicleType == 2"},
      {L"<State name=\"S\"/>", false, L""},
      {L"<State name=\"S\"><Mask/></State>", true, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.xml)));
    const auto state = fromXml<DRState>(row.xml);
    EXPECT_EQ(state.has_Mask(), row.hasMask);
    DRMask mask;
    EXPECT_EQ(state.get_Mask(mask), row.hasMask);
    ACE_WString text;
    mask.get_value(text);
    EXPECT_EQ(str(text), row.mask);
  }

  const auto state = fromXml<DRState>(
      L"<State name=\"S\"><Interpretation>"
      L"<Correspondance value=\"0\" codetext=\"T_OFF\" defaultText=\"Off\"/>"
      L"<Other/>"
      L"<Correspondance value=\"1\" codetext=\"T_ON\" defaultText=\"On \u00E9\"/>"
      L"</Interpretation></State>");
  EXPECT_FALSE(state.has_Mask());
  ASSERT_TRUE(state.has_Interpretation());
  DRInterpretation interpretation;
  ASSERT_TRUE(state.get_Interpretation(interpretation));
  ASSERT_TRUE(interpretation.has_Correspondance());
  ACE_Array<DRCorrespondance> entries;
  ASSERT_TRUE(interpretation.get_Correspondance(entries));
  ASSERT_EQ(entries.size(), 2u);
  const std::vector<std::vector<std::wstring>> expected = {{L"0", L"T_OFF", L"Off"},
                                                           {L"1", L"T_ON", L"On \u00E9"}};
  for (size_t i = 0; i < entries.size(); ++i) {
    ACE_WString value, code, text;
    EXPECT_TRUE(entries[i].get_value(value));
    EXPECT_TRUE(entries[i].get_codetext(code));
    EXPECT_TRUE(entries[i].get_defaultText(text));
    EXPECT_EQ((std::vector<std::wstring>{str(value), str(code), str(text)}), expected[i]);
  }
  DRInterpretation empty;
  ASSERT_TRUE(empty.setXML(L"<Interpretation/>"));
  EXPECT_FALSE(empty.has_Correspondance());
  EXPECT_TRUE(empty.get_Correspondance(entries));
  EXPECT_EQ(entries.size(), 0u);

  const auto parameter = fromXml<DRParameter>(
      L"<Parameter name=\"P\"><Mask value=\"Options &amp; 4\"/><Format>2</Format></Parameter>");
  ASSERT_TRUE(parameter.has_Format());
  DRFormat format;
  ASSERT_TRUE(parameter.get_Format(format));
  ACE_WString decimals;
  ASSERT_TRUE(format.getContent(decimals));
  EXPECT_EQ(str(decimals), L"2");
  DRMask mask;
  ASSERT_TRUE(parameter.get_Mask(mask));
  ACE_WString maskText;
  mask.get_value(maskText);
  EXPECT_EQ(str(maskText), L"Options & 4");
  EXPECT_FALSE(fromXml<DRParameter>(L"<Parameter name=\"P\"/>").has_Format());

  const auto identification =
      fromXml<DRIdentification>(L"<Identification name=\"I\"><Mask value=\"1\"/></Identification>");
  EXPECT_TRUE(identification.has_Mask());
  EXPECT_FALSE(fromXml<DRIdentification>(L"<Identification name=\"I\"/>").has_Mask());
}

}  // namespace
