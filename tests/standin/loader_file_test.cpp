// The host data file: every element reaches the service that serves it, and
// every fault is reported with the file, the line and the culprit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DRIdentification.h"
#include "DRParameter.h"
#include "DRState.h"
#include "StandinComponentManager.h"
#include "StandinDataManager.h"
#include "StandinDiagData.h"
#include "StandinDiagServices.h"
#include "StandinHost.h"
#include "StandinTextService.h"

namespace {

std::string narrow(const ACE_WString& text) {
  std::string out;
  for (size_t i = 0; i < text.length(); ++i) out += static_cast<char>(text[i]);
  return out;
}

IComponent* registered(const char* id) {
  IComponent* component = nullptr;
  return StandinComponentManager::instance().getComponent(ID(id), &component) == 0 ? component
                                                                                   : nullptr;
}

const char kFullFile[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<host ecu="DEMO">
  <data>
    <integer key="data:/I">-42</integer>
    <integer key="data:/Padded"> +7 </integer>
    <flag key="data:/T">true</flag>
    <flag key="data:/F">false</flag>
    <flag key="data:/One">1</flag>
    <flag key="data:/Zero">0</flag>
    <string key="data:/S">files/x</string>
    <string key="data:/Empty"></string>
    <string key="data:/Blanks">  </string>
    <set key="data:/Set">
      <integer name="N">5</integer>
      <float name="F">-1.25</float>
      <string name="S">text</string>
      <bytes name="B">62f1a0</bytes>
    </set>
    <set key="data:/Set">
      <integer name="M">6</integer>
    </set>
  </data>
  <texts>
    <text code="T_ON">Läuft</text>
    <text code="T_EMPTY"/>
  </texts>
  <ecu name="DEMO">
    <state name="Pump" value="0">
      <mask>VehicleType == 2 &amp;&amp; A &lt; 3</mask>
      <interpretation>
        <correspondance value="0" codetext="T_OFF" defaultText="Off"/>
        <correspondance value="1" codetext="T_ON" defaultText="On"/>
      </interpretation>
    </state>
    <state name="Bare"/>
    <parameter name="Volt" value="12.6" format="2"/>
    <parameter name="Odd" format="two"/>
    <identification name="VIN" value="VF1"><mask>1</mask></identification>
  </ecu>
  <ecu name="OTHER" refuse="-14"/>
</host>)";

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { host.clear(); }
  void TearDown() override { host.clear(); }

  void load(const std::string& xml) {
    std::string error;
    ASSERT_TRUE(host.loadText(xml, error)) << error;
  }

  StandinHost& host = StandinHost::instance();
  StandinDataManager& data = host.dataManager();
};

TEST_F(LoaderTest, DataElementsAreStoredWithTheirTypes) {
  load(kFullFile);
  struct IntegerRow {
    const char* key;
    int expected;
  } integers[] = {{"data:/I", -42}, {"data:/Padded", 7}};
  for (const auto& row : integers) {
    int value = 0;
    EXPECT_EQ(data.readInteger(ID(row.key), value), 0) << row.key;
    EXPECT_EQ(value, row.expected) << row.key;
  }
  struct FlagRow {
    const char* key;
    bool expected;
  } flags[] = {{"data:/T", true}, {"data:/F", false}, {"data:/One", true}, {"data:/Zero", false}};
  for (const auto& row : flags) {
    bool value = !row.expected;
    EXPECT_EQ(data.readFlag(ID(row.key), value), 0) << row.key;
    EXPECT_EQ(value, row.expected) << row.key;
  }
  struct StringRow {
    const char* key;
    const char* expected;
  } strings[] = {{"data:/S", "files/x"}, {"data:/Empty", ""}, {"data:/Blanks", "  "}};
  for (const auto& row : strings) {
    ACE_WString value(L"unset");
    EXPECT_EQ(data.readString(ID(row.key), value), 0) << row.key;
    EXPECT_EQ(narrow(value), row.expected) << row.key;
  }
  // A key holds one type only.
  int wrongType = 0;
  EXPECT_NE(data.readInteger(ID("data:/S"), wrongType), 0);
}

TEST_F(LoaderTest, SetEntriesKeepTheirTypesAndTwoSetsOfAKeyAddUp) {
  load(kFullFile);
  BSet set;
  ASSERT_EQ(data.readSet(ID("data:/Set"), set), 0);
  long n = 0;
  double f = 0;
  ACE_WString s;
  BByteArray b;
  EXPECT_EQ(set.getInt(L"N", n), 0);
  EXPECT_EQ(n, 5);
  EXPECT_EQ(set.getFloat(L"F", f), 0);
  EXPECT_EQ(f, -1.25);
  EXPECT_EQ(set.getString(L"S", s), 0);
  EXPECT_EQ(narrow(s), "text");
  ASSERT_EQ(set.getByteArray(L"B", b), 0);
  EXPECT_EQ(b.getArray(), (std::vector<unsigned char>{0x62, 0xF1, 0xA0}));
  EXPECT_EQ(set.getInt(L"M", n), 0);
  EXPECT_EQ(n, 6);
  EXPECT_NE(set.getInt(L"F", n), 0);
}

TEST_F(LoaderTest, TextsAreLookedUpByCode) {
  load(kFullFile);
  ACE_WString out;
  host.textService().lookupText(out, L"T_ON", L"default");
  EXPECT_EQ(std::wstring(out.c_str()), L"Läuft");
  host.textService().lookupText(out, L"T_EMPTY", L"default");
  EXPECT_EQ(std::wstring(out.c_str()), L"");
  host.textService().lookupText(out, L"T_NONE", L"default");
  EXPECT_EQ(std::wstring(out.c_str()), L"default");
}

TEST_F(LoaderTest, ItemsAreDescribedAsTheFileGivesThem) {
  load(kFullFile);
  StandinDiagData& diag = host.diagData();

  DRState pump;
  ASSERT_EQ(diag.getState(L"DEMO", L"Pump", pump), 0);
  ASSERT_TRUE(pump.has_Mask());
  DRMask mask;
  ACE_WString text;
  pump.get_Mask(mask);
  mask.get_value(text);
  EXPECT_EQ(narrow(text), "VehicleType == 2 && A < 3");
  ASSERT_TRUE(pump.has_Interpretation());
  DRInterpretation interpretation;
  pump.get_Interpretation(interpretation);
  ACE_Array<DRCorrespondance> entries;
  interpretation.get_Correspondance(entries);
  ASSERT_EQ(entries.size(), 2u);
  ACE_WString value, code, fallback;
  entries[1].get_value(value);
  entries[1].get_codetext(code);
  entries[1].get_defaultText(fallback);
  EXPECT_EQ(narrow(value) + "|" + narrow(code) + "|" + narrow(fallback), "1|T_ON|On");

  DRState bare;
  ASSERT_EQ(diag.getState(L"DEMO", L"Bare", bare), 0);
  EXPECT_FALSE(bare.has_Mask());
  EXPECT_FALSE(bare.has_Interpretation());

  struct FormatRow {
    std::wstring name;
    const char* format;
  } formats[] = {{L"Volt", "2"}, {L"Odd", "two"}};
  for (const auto& row : formats) {
    DRParameter parameter;
    ASSERT_EQ(diag.getParameter(L"DEMO", ACE_WString(row.name.c_str(), row.name.size()), parameter),
              0);
    ASSERT_TRUE(parameter.has_Format());
    DRFormat format;
    parameter.get_Format(format);
    format.getContent(text);
    EXPECT_EQ(narrow(text), row.format);
  }

  DRIdentification vin;
  ASSERT_EQ(diag.getIdentification(L"DEMO", L"VIN", vin), 0);
  EXPECT_TRUE(vin.has_Mask());

  // Unknown ECU, unknown item, or the name of an item of another kind.
  DRState state;
  DRParameter parameter;
  EXPECT_NE(diag.getState(L"NOPE", L"Pump", state), 0);
  EXPECT_NE(diag.getState(L"DEMO", L"Volt", state), 0);
  EXPECT_NE(diag.getParameter(L"DEMO", L"Pump", parameter), 0);
  EXPECT_NE(diag.getState(L"OTHER", L"Pump", state), 0);
}

TEST_F(LoaderTest, EveryDescribedEcuGetsItsDiagnosticServices) {
  load(kFullFile);
  EXPECT_EQ(host.defaultEcu(), "DEMO");
  EXPECT_TRUE(host.describesEcu("DEMO"));
  EXPECT_TRUE(host.describesEcu("OTHER"));
  EXPECT_FALSE(host.describesEcu("demo"));
  for (const char* id :
       {"makora:DM?DataManager", "makora:BText?BText", "diagData:DiagData",
        "diagServices:DiagServices?EcuDiag#DEMO", "diagServices:DiagServices?EcuDiag#OTHER"})
    EXPECT_NE(registered(id), nullptr) << id;
  EXPECT_EQ(registered("diagServices:DiagServices?EcuDiag#NOPE"), nullptr);
}

TEST_F(LoaderTest, ALoadReplacesEverythingButKeepsServiceObjects) {
  load(kFullFile);
  IComponent* demoServices = registered("diagServices:DiagServices?EcuDiag#DEMO");
  load(R"(<host><data><integer key="data:/New">1</integer></data><ecu name="DEMO"/></host>)");

  int value = 0;
  EXPECT_NE(data.readInteger(ID("data:/I"), value), 0);
  EXPECT_EQ(data.readInteger(ID("data:/New"), value), 0);
  EXPECT_EQ(host.defaultEcu(), "");
  EXPECT_FALSE(host.describesEcu("OTHER"));
  EXPECT_EQ(registered("diagServices:DiagServices?EcuDiag#OTHER"), nullptr);
  // A running component keeps the pointer it obtained: it must stay the same object.
  EXPECT_EQ(registered("diagServices:DiagServices?EcuDiag#DEMO"), demoServices);
  DRState state;
  EXPECT_NE(host.diagData().getState(L"DEMO", L"Pump", state), 0);
  ACE_WString out;
  host.textService().lookupText(out, L"T_ON", L"gone");
  EXPECT_EQ(std::wstring(out.c_str()), L"gone");
}

TEST_F(LoaderTest, AFailedLoadChangesNothing) {
  load(kFullFile);
  std::string error;
  EXPECT_FALSE(
      host.loadText("<host><data><integer key=\"data:/I\">x</integer></data></host>", error));
  int value = 0;
  EXPECT_EQ(data.readInteger(ID("data:/I"), value), 0);
  EXPECT_EQ(value, -42);
  EXPECT_TRUE(host.describesEcu("DEMO"));
}

TEST_F(LoaderTest, WithdrawnComponentsStayWithdrawnUntilClear) {
  load(kFullFile);
  const char* ids[] = {"makora:DM?DataManager", "makora:BText?BText", "diagData:DiagData",
                       "diagServices:DiagServices?EcuDiag#DEMO"};
  for (const char* id : ids) {
    host.setComponentAvailable(id, false);
    EXPECT_EQ(registered(id), nullptr) << id;
    load(kFullFile);
    EXPECT_EQ(registered(id), nullptr) << id << " after a reload";
    host.setComponentAvailable(id, true);
    EXPECT_NE(registered(id), nullptr) << id;
  }
  host.setComponentAvailable(ids[0], false);
  host.clear();
  EXPECT_NE(registered(ids[0]), nullptr);
  // Offering an undescribed ECU's services does not make them appear.
  host.setComponentAvailable("diagServices:DiagServices?EcuDiag#DEMO", true);
  EXPECT_EQ(registered("diagServices:DiagServices?EcuDiag#DEMO"), nullptr);
}

struct BadFile {
  const char* xml;
  const char* error;  // the whole message after "(text):"
};

TEST_F(LoaderTest, FaultsNameTheLineAndTheCulprit) {
  const BadFile rows[] = {
      {"<host>\n<data>\n</host>", "3: malformed XML: Start-end tags mismatch"},
      {"", "1: malformed XML: No document element found"},
      {"<hosts/>", "1: the root element is <hosts>, not <host>"},
      {"<host owner=\"x\"/>", "1: unknown attribute owner of <host>"},
      {"<host>\n  <datum/>\n</host>", "2: unknown element <datum> in <host>"},
      {"<host><data>\n<int key=\"K\">1</int></data></host>", "2: unknown element <int> in <data>"},
      {"<host><data>\n<integer>1</integer></data></host>", "2: <integer> lacks the attribute key"},
      {"<host><data>\n\n<integer key=\"K\">12a</integer></data></host>",
       "3: <integer key=\"K\">: \"12a\" is not a decimal integer"},
      {"<host><data><integer key=\"K\">99999999999</integer></data></host>",
       "1: <integer key=\"K\">: \"99999999999\" is not a decimal integer"},
      {"<host><data><integer key=\"K\">1<b/></integer></data></host>",
       "1: unknown element <b> in <integer>"},
      {"<host><data><flag key=\"K\">yes</flag></data></host>",
       "1: <flag key=\"K\">: \"yes\" is not true, false, 1 or 0"},
      {"<host><data><set key=\"K\"><bytes name=\"B\">ABC</bytes></set></data></host>",
       "1: <bytes name=\"B\">: \"ABC\" is not hexadecimal digits, two per byte"},
      {"<host><data><set key=\"K\"><float name=\"F\">1,5</float></set></data></host>",
       "1: <float name=\"F\">: \"1,5\" is not a number"},
      {"<host><data><set key=\"K\"><flag name=\"F\">1</flag></set></data></host>",
       "1: unknown element <flag> in <set>"},
      {"<host><ecu/></host>", "1: <ecu> lacks the attribute name"},
      {"<host><ecu name=\"E\" refuse=\"often\"/></host>",
       "1: <ecu> refuse=\"often\" is not a decimal integer"},
      {"<host><ecu name=\"E\"/>\n<ecu name=\"E\"/></host>",
       "2: <ecu name=\"E\"> is described twice"},
      {"<host><ecu name=\"E\"><signal name=\"S\"/></ecu></host>",
       "1: unknown element <signal> in <ecu>"},
      {"<host><ecu name=\"E\"><state name=\"S\" value=\"on\"/></ecu></host>",
       "1: <state name=\"S\">: \"on\" is not a decimal integer"},
      {"<host><ecu name=\"E\"><state name=\"S\" format=\"2\"/></ecu></host>",
       "1: unknown attribute format of <state>"},
      {"<host><ecu name=\"E\"><state name=\"S\"/>\n<state name=\"S\"/></ecu></host>",
       "2: <state name=\"S\"> is listed twice"},
      {"<host><ecu name=\"E\"><state name=\"S\"><mask>a</mask><mask>b</mask></state></ecu></host>",
       "1: second <mask> in <state>"},
      {"<host><ecu name=\"E\"><parameter name=\"P\"><interpretation/></parameter></ecu></host>",
       "1: unknown element <interpretation> in <parameter>"},
      {"<host><ecu name=\"E\"><state name=\"S\"><interpretation>\n<correspondance "
       "codetext=\"C\"/></interpretation></state></ecu></host>",
       "2: <correspondance> lacks the attribute value"},
      {"<host><ecu name=\"E\"><state name=\"S\"><interpretation><correspondance value=\"1\" "
       "defaulttext=\"x\"/></interpretation></state></ecu></host>",
       "1: unknown attribute defaulttext of <correspondance>"},
      {"<host><ecu name=\"E\"><command name=\"C\" status=\"ok\"/></ecu></host>",
       "1: <command> status=\"ok\" is not a decimal integer"},
      {"<host><ecu name=\"E\"><command name=\"C\">\n<set state=\"S\" value=\"1\"/></command>"
       "</ecu></host>",
       "2: <set state=\"S\">: no such state in this <ecu>"},
      {"<host><ecu name=\"E\"><parameter name=\"S\"/><command name=\"C\"><set state=\"S\" "
       "value=\"1\"/></command></ecu></host>",
       "1: <set state=\"S\">: no such state in this <ecu>"},
      {"<host><ecu name=\"E\"><state name=\"S\"/><command name=\"C\"><set state=\"S\" "
       "value=\"1.5\"/></command></ecu></host>",
       "1: <set state=\"S\">: \"1.5\" is not a decimal integer"},
      {"<host><ecu name=\"E\"><state name=\"S\"/><command name=\"C\"><set state=\"S\"/>"
       "</command></ecu></host>",
       "1: <set> lacks the attribute value"},
      {"<host><ecu name=\"E\"><state name=\"S\"/><identification name=\"S\"/><command "
       "name=\"C\"><set state=\"S\" identification=\"S\" value=\"1\"/></command></ecu></host>",
       "1: <set> names more than one of state, parameter, identification"},
      {"<host><ecu name=\"E\"><rawframe request=\"22F190\"/></ecu></host>",
       "1: <rawframe> lacks the attribute response"},
      {"<host><ecu name=\"E\"><rawframe request=\"22F190\" response=\"62F\"/></ecu></host>",
       "1: <rawframe request=\"22F190\">: \"62F\" is not hexadecimal digits, two per byte"},
      {"<host><ecu name=\"E\"><rawframe request=\"A\" refuse=\"-992\"/><rawframe request=\"A\" "
       "response=\"00\"/></ecu></host>",
       "1: <rawframe request=\"A\"> is listed twice"},
  };
  for (const BadFile& row : rows) {
    std::string error;
    EXPECT_FALSE(host.loadText(row.xml, error)) << row.xml;
    EXPECT_EQ(error, std::string("(text):") + row.error) << row.xml;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

TEST_F(LoaderTest, FileErrorsNameTheFile) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("loader-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string good = (dir / "good.xml").string();
  const std::string bad = (dir / "bad.xml").string();
  std::ofstream(good) << "<host ecu=\"E\">\n  <ecu name=\"E\"/>\n</host>\n";
  std::ofstream(bad) << "<host>\n  <ecu name=\"E\">\n    <state name=\"S\" value=\"x\"/>\n";

  std::string error;
  EXPECT_TRUE(host.loadFile(good, error)) << error;
  EXPECT_TRUE(host.describesEcu("E"));

  EXPECT_FALSE(host.loadFile(bad, error));
  EXPECT_EQ(error.rfind(bad + ":", 0), 0u) << error;

  const std::string missing = (dir / "missing.xml").string();
  EXPECT_FALSE(host.loadFile(missing, error));
  EXPECT_EQ(error, missing + ": cannot open: No such file or directory");

  EXPECT_FALSE(host.loadFile(dir.string(), error));
  EXPECT_EQ(error.rfind(dir.string() + ": cannot read", 0), 0u) << error;
  std::filesystem::remove_all(dir);
}

TEST_F(LoaderTest, DescriptionsEscapeEveryText) {
  StandinDiagData::Description item;
  item.kind = StandinDiagData::Kind::State;
  item.name = "a\"b";
  item.mask = "x < 1 & y > 2";
  item.interpretation = std::vector<StandinDiagData::Correspondance>{{"0", "<C>", "'&'"}};
  const std::wstring xml = StandinDiagData::renderXml(item);
  EXPECT_EQ(xml,
            L"<State name=\"a&quot;b\"><Mask value=\"x &lt; 1 &amp; y > 2\"/>"
            L"<Interpretation><Correspondance value=\"0\" codetext=\"&lt;C>\" "
            L"defaultText=\"'&amp;'\"/></Interpretation></State>");
}

}  // namespace
