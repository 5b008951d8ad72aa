// The host data file: every element reaches the service that serves it, every
// fault names the file, the line and the culprit; and the ECU it simulates.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "DRIdentification.h"
#include "DRParameter.h"
#include "DRQuery.h"
#include "HostFileReader.h"
#include "StandinComponentManager.h"
#include "StandinDataManager.h"
#include "StandinDiagData.h"
#include "StandinDiagServices.h"
#include "StandinHost.h"
#include "StandinLimits.h"
#include "StandinLog.h"
#include "StandinTextService.h"
#include "standin_test_util.h"

namespace {

const char kFile[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<host ecu="DEMO">
  <data>
    <integer key="data:/I">-42</integer>
    <integer key="data:/Padded"> +7 </integer>
    <flag key="data:/T">true</flag>
    <flag key="data:/Zero">0</flag>
    <string key="data:/S">files/x</string>
    <string key="data:/Blanks">  </string>
    <set key="data:/Set">
      <integer name="N">5</integer>
      <float name="F">-1.25</float>
      <string name="S">text</string>
      <bytes name="B">62f1a0</bytes>
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
        <correspondance value="0" codetext="T_OFF" defaultText="&quot;Off&quot; &gt; '1'"/>
        <correspondance value="1" codetext="T_ON" defaultText="On"/>
      </interpretation>
    </state>
    <state name="Gear"/>
    <parameter name="Volt" value="12.6" format="+2"/>
    <identification name="VIN" value="VF1 &lt;x&gt;"><mask>1</mask></identification>
    <command name="Start" status="0">
      <set state="Pump" value="1"/>
      <set parameter="Volt" value="-3.5"/>
      <set identification="VIN" value="NEW"/>
    </command>
    <command name="Stop"><set state="Pump" value="0"/></command>
    <command name="Slow" status="-992"/>
    <command name="Broken" refuse="-14"><set state="Pump" value="9"/></command>
    <command name="GearUp"><set state="Gear" value="3"/></command>
    <rawframe request="22F190" response="62f190564631"/>
    <rawframe request="22 F1 90" refuse="-979"/>
  </ecu>
  <ecu name="OTHER" refuse="-14"/>
</host>)";

IComponent* registered(const char* id) {
  IComponent* component = nullptr;
  return StandinComponentManager::instance().getComponent(ID(id), &component) == 0 ? component
                                                                                   : nullptr;
}

// A query of the given request type whose one data set holds `items`.
DRQuery query(const std::string& type, const std::string& ecu, const std::string& items) {
  DRQuery query;
  query.setXML(wide("<Query name=\"EP\" queryId=\"T/1\" sleepTimer=\"0\" requestType=\"" + type +
                    "\" refresh=\"once\" synchronous=\"true\"><EcuDataSet name=\"" + ecu + "\">" +
                    items + "</EcuDataSet></Query>"));
  return query;
}

DRQuery read(const std::string& items, const std::string& ecu = "DEMO") {
  return query("read", ecu, items);
}

DRQuery command(const std::string& name, const std::string& ecu = "DEMO") {
  return query("command", ecu, "<Command name=\"" + name + "\"/>");
}

DRQuery raw(const std::string& frame, const std::string& ecu = "DEMO") {
  return query("rawframe", ecu,
               "<Service delay=\"0\" mode=\"1\"><Start><Request val=\"" + frame +
                   "\"/><Response><Simple val=\"\"/></Response></Start></Service>");
}

const std::string kPump = "<State name=\"Pump\"/>";
const std::string kReadAll =
    kPump + "<State name=\"Gear\"/><Parameter name=\"Volt\"/><Identification name=\"VIN\"/>";

class HostFile : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinLog::setStderr(false);
    host.clear();
    load(kFile);
  }
  void TearDown() override {
    host.clear();
    StandinLog::setStderr(true);
  }

  void load(const std::string& xml) {
    std::string error;
    ASSERT_TRUE(host.loadText(xml, error)) << error;
  }

  std::wstring text(const wchar_t* code) {
    ACE_WString out;
    return str(host.textService().lookupText(out, code, L"default"));
  }

  IDiagServices& services(const std::string& ecu = "DEMO") {
    IDiagServices* found = nullptr;
    EXPECT_EQ(StandinComponentManager::instance().getComponent(
                  ID(wide("diagServices:DiagServices?EcuDiag#" + ecu)), &found),
              0);
    return *found;
  }

  // The entries stored under data:/Auto/UCEs/<ecu>/<kind>, printed as name=value;...
  std::string stored(const std::string& kind, const std::string& ecu = "DEMO") {
    BSet set;
    if (data.readSet(ID(wide("data:/Auto/UCEs/" + ecu + "/" + kind)), set) != 0) return "(absent)";
    std::string out;
    StringSet names = set.getAllKeys();
    for (int i = 0; i < names.length(); ++i) {
      ACE_WString name, text;
      names.getAt(i, name);
      long integer = 0;
      double real = 0;
      BByteArray bytes;
      out += (out.empty() ? "" : ";") + narrow(name) + "=";
      if (set.getInt(name, integer) == 0)
        out += std::to_string(integer);
      else if (set.getFloat(name, real) == 0)
        out += std::to_string(real);
      else if (set.getString(name, text) == 0)
        out += "'" + narrow(text) + "'";
      else if (set.getByteArray(name, bytes) == 0 && bytes.getString(text) == 0)
        out += "0x" + narrow(text);
    }
    return out;
  }

  StandinHost& host = StandinHost::instance();
  StandinDataManager& data = host.dataManager();
};

TEST_F(HostFile, DataAndTextsAreStoredWithTheirTypes) {
  int i = 0, padded = 0;
  bool t = false, zero = true;
  ACE_WString s, blanks;
  EXPECT_EQ(data.readInteger(ID("data:/I"), i) | data.readInteger(ID("data:/Padded"), padded) |
                data.readFlag(ID("data:/T"), t) | data.readFlag(ID("data:/Zero"), zero) |
                data.readString(ID("data:/S"), s) | data.readString(ID("data:/Blanks"), blanks),
            0);
  EXPECT_EQ(std::to_string(i) + "|" + std::to_string(padded) + "|" + std::to_string(t) +
                std::to_string(zero) + "|" + narrow(s) + "|" + narrow(blanks) + "|",
            "-42|7|10|files/x|  |");

  BSet set;
  ASSERT_EQ(data.readSet(ID("data:/Set"), set), 0);
  long n = 0;
  double f = 0;
  BByteArray b;
  EXPECT_EQ(set.getInt(L"N", n) | set.getFloat(L"F", f) | set.getString(L"S", s) |
                set.getByteArray(L"B", b),
            0);
  EXPECT_EQ(n, 5);
  EXPECT_EQ(f, -1.25);
  EXPECT_EQ(narrow(s), "text");
  EXPECT_EQ(b.getArray(), (std::vector<unsigned char>{0x62, 0xF1, 0xA0}));

  EXPECT_EQ(text(L"T_ON"), L"Läuft");
  EXPECT_EQ(text(L"T_EMPTY"), L"");
  EXPECT_EQ(text(L"T_NONE"), L"default");
}

std::wstring xmlOf(const BDomData& item) {
  ACE_WString xml;
  item.getXML(xml);
  return str(xml);
}

TEST_F(HostFile, ItemsAreDescribedAsTheFileGivesThem) {
  StandinDiagData& diag = host.diagData();
  DRState pump, gear;
  DRParameter volt;
  DRIdentification vin;
  ASSERT_EQ(diag.getState(L"DEMO", L"Pump", pump) | diag.getState(L"DEMO", L"Gear", gear) |
                diag.getParameter(L"DEMO", L"Volt", volt) |
                diag.getIdentification(L"DEMO", L"VIN", vin),
            0);
  EXPECT_EQ(xmlOf(pump),
            L"<State name=\"Pump\"><Mask value=\"VehicleType == 2 &amp;&amp; A &lt; 3\"/>"
            L"<Interpretation><Correspondance value=\"0\" codetext=\"T_OFF\" "
            L"defaultText=\"&quot;Off&quot; > '1'\"/>"
            L"<Correspondance value=\"1\" codetext=\"T_ON\" defaultText=\"On\"/>"
            L"</Interpretation></State>");
  // The simulated value is no part of the description.
  EXPECT_EQ(xmlOf(gear) + xmlOf(volt) + xmlOf(vin),
            L"<State name=\"Gear\"/><Parameter name=\"Volt\"><Format>2</Format></Parameter>"
            L"<Identification name=\"VIN\"><Mask value=\"1\"/></Identification>");
  // Unknown ECU, unknown item, or the name of an item of another kind.
  EXPECT_NE(diag.getState(L"NOPE", L"Pump", pump), 0);
  EXPECT_NE(diag.getState(L"OTHER", L"Pump", pump), 0);
  EXPECT_NE(diag.getState(L"DEMO", L"Volt", pump), 0);
  EXPECT_NE(diag.getParameter(L"DEMO", L"Pump", volt), 0);
}

TEST_F(HostFile, EveryDescribedEcuGetsItsDiagnosticServices) {
  EXPECT_EQ(host.defaultEcu(), "DEMO");
  EXPECT_TRUE(host.describesEcu("OTHER"));
  EXPECT_FALSE(host.describesEcu("demo"));
  for (const char* id :
       {"makora:DM?DataManager", "makora:BText?BText", "diagData:DiagData",
        "diagServices:DiagServices?EcuDiag#DEMO", "diagServices:DiagServices?EcuDiag#OTHER"})
    EXPECT_NE(registered(id), nullptr) << id;
  EXPECT_EQ(registered("diagServices:DiagServices?EcuDiag#NOPE"), nullptr);
}

TEST_F(HostFile, ALoadReplacesEverythingButKeepsServiceObjects) {
  IComponent* demoServices = registered("diagServices:DiagServices?EcuDiag#DEMO");
  std::string error;
  EXPECT_FALSE(host.loadText("<host><data><integer key=\"K\">x</integer></data></host>", error));
  EXPECT_TRUE(host.describesEcu("OTHER"));  // a failed load changes nothing
  load(R"(<host><data><integer key="data:/New">1</integer></data><ecu name="DEMO"/></host>)");

  int value = 0;
  EXPECT_NE(data.readInteger(ID("data:/I"), value), 0);
  EXPECT_EQ(data.readInteger(ID("data:/New"), value), 0);
  EXPECT_EQ(host.defaultEcu(), "");
  EXPECT_EQ(registered("diagServices:DiagServices?EcuDiag#OTHER"), nullptr);
  // A running component keeps the pointer it obtained: it must stay the same object.
  EXPECT_EQ(registered("diagServices:DiagServices?EcuDiag#DEMO"), demoServices);
  DRState state;
  EXPECT_NE(host.diagData().getState(L"DEMO", L"Pump", state), 0);
  EXPECT_EQ(text(L"T_ON"), L"default");
}

TEST_F(HostFile, WithdrawnComponentsStayWithdrawnUntilClear) {
  const char* ids[] = {"makora:DM?DataManager", "makora:BText?BText", "diagData:DiagData",
                       "diagServices:DiagServices?EcuDiag#DEMO"};
  for (const char* id : ids) {
    host.setComponentAvailable(id, false);
    load(kFile);
    EXPECT_EQ(registered(id), nullptr) << id << " after a reload";
    host.setComponentAvailable(id, true);
    EXPECT_NE(registered(id), nullptr) << id;
  }
  host.setComponentAvailable(ids[0], false);
  host.clear();
  EXPECT_NE(registered(ids[0]), nullptr);
  // Offering an undescribed ECU's services does not make them appear.
  host.setComponentAvailable(ids[3], true);
  EXPECT_EQ(registered(ids[3]), nullptr);
}

TEST_F(HostFile, FaultsNameTheLineAndTheCulprit) {
  const std::pair<const char*, const char*> rows[] = {
      {"<host>\n<data>\n</host>", "3: malformed XML: Start-end tags mismatch"},
      {"<hosts/>", "1: the root element is <hosts>, not <host>"},
      {"<host/>\n<host/>", "2: a second root element <host>"},
      {"<host owner=\"x\"/>", "1: unknown attribute owner of <host>"},
      {"<host>\n  <datum/>\n</host>", "2: unknown element <datum> in <host>"},
      {"<host><data>\n<integer>1</integer></data></host>", "2: <integer> lacks the attribute key"},
      {"<host><data>\n\n<integer key=\"K\">12a</integer></data></host>",
       "3: <integer key=\"K\">: \"12a\" is not a decimal integer"},
      {"<host><data><integer key=\"K\">99999999999</integer></data></host>",
       "1: <integer key=\"K\">: \"99999999999\" is not a decimal integer"},
      {"<host><data><flag key=\"K\">yes</flag></data></host>",
       "1: <flag key=\"K\">: \"yes\" is not true, false, 1 or 0"},
      {"<host><data><set key=\"K\"><bytes name=\"B\">ABC</bytes></set></data></host>",
       "1: <bytes name=\"B\">: \"ABC\" is not hexadecimal digits, two per byte"},
      {"<host><data><set key=\"K\"><float name=\"F\">1,5</float></set></data></host>",
       "1: <float name=\"F\">: \"1,5\" is not a number"},
      {"<host><data><set key=\"K\"><flag name=\"F\">1</flag></set></data></host>",
       "1: unknown element <flag> in <set>"},
      {"<host><ecu name=\"E\"/>\n<ecu name=\"E\"/></host>",
       "2: <ecu name=\"E\"> is given twice, first on line 1"},
      {"<host><data>\n<set key=\"K\"/>\n</data><data>\n<set key=\"K\"/></data></host>",
       "4: <set key=\"K\"> is given twice, first on line 2"},
      {"<host><data><integer key=\"K\">1</integer>\n<string key=\"K\"/></data></host>",
       "2: <string key=\"K\"> is given twice, first on line 1"},
      {"<host><ecu name=\"E\"><command name=\"C\"/>\n<command name=\"C\"/></ecu></host>",
       "2: <command name=\"C\"> is given twice, first on line 1"},
      {"<host><ecu name=\"E\"><parameter name=\"P\" format=\"twenty\"/></ecu></host>",
       "1: <parameter name=\"P\">: \"twenty\" is not a non-negative integer"},
      {"<host><ecu name=\"E\"><parameter name=\"P\" format=\"-2\"/></ecu></host>",
       "1: <parameter name=\"P\">: \"-2\" is not a non-negative integer"},
      {"<host><ecu name=\"E\"><state name=\"S\" format=\"2\"/></ecu></host>",
       "1: unknown attribute format of <state>"},
      {"<host><ecu name=\"E\"><parameter name=\"P\"><interpretation/></parameter></ecu></host>",
       "1: unknown element <interpretation> in <parameter>"},
      {"<host><ecu name=\"E\"><state name=\"S\"/>\n<state name=\"S\"/></ecu></host>",
       "2: <state name=\"S\"> is given twice, first on line 1"},
      {"<host><ecu name=\"E\"><state name=\"S\"><mask>a</mask><mask>b</mask></state></ecu></host>",
       "1: second <mask> in <state>"},
      {"<host><ecu name=\"E\"><parameter name=\"S\"/><command name=\"C\"><set state=\"S\" "
       "value=\"1\"/></command></ecu></host>",
       "1: <set state=\"S\">: no such state in this <ecu>"},
      {"<host><ecu name=\"E\"><state name=\"S\"/><command name=\"C\"><set state=\"S\" "
       "value=\"1.5\"/></command></ecu></host>",
       "1: <set state=\"S\">: \"1.5\" is not a decimal integer"},
      {"<host><ecu name=\"E\"><state name=\"S\"/><identification name=\"S\"/><command "
       "name=\"C\"><set state=\"S\" identification=\"S\" value=\"1\"/></command></ecu></host>",
       "1: <set> names more than one of state, parameter, identification"},
      {"<host><ecu name=\"E\"><rawframe request=\"A\" refuse=\"-992\"/><rawframe request=\"A\" "
       "response=\"00\"/></ecu></host>",
       "1: <rawframe request=\"A\"> is given twice, first on line 1"},
  };
  for (const auto& [xml, expected] : rows) {
    std::string error;
    EXPECT_FALSE(host.loadText(xml, error)) << xml;
    EXPECT_EQ(error, std::string("(text):") + expected) << xml;
  }
}

TEST(HostFileReader, UnknownConfigurationKeysWarnWithTheNearestKnownOne) {
  const std::string xml =
      "<host><data><string key=\"data:/Configuration/OrvaneData/OrvaneDataRot\"/>\n"
      "<integer key=\"data:/Configuration/OrvaneFunctionTests/SocketPort\">1</integer>\n"
      "<flag key=\"data:/Configuration/OrvaneFunctionTests/devmode\">1</flag>\n"
      "<integer key=\"data:/Auto/Whatever\">1</integer></data></host>";
  HostFileReader reader(xml, "f.xml");
  HostContent content;
  ASSERT_TRUE(reader.read(content)) << reader.error();
  EXPECT_EQ(
      reader.warnings(),
      (std::vector<std::string>{
          "f.xml:1: the component reads no key data:/Configuration/OrvaneData/OrvaneDataRot, "
          "did you mean data:/Configuration/OrvaneData/OrvaneDataRoot?",
          "f.xml:3: the component reads no key data:/Configuration/OrvaneFunctionTests/devmode, "
          "did you mean data:/Configuration/OrvaneFunctionTests/FlowFolder?"}));
}

TEST_F(HostFile, FileErrorsNameTheFile) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("loader-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string bad = (dir / "bad.xml").string();
  const std::string missing = (dir / "missing.xml").string();
  std::ofstream(bad) << "<host>\n  <ecu name=\"E\">\n    <state name=\"S\" value=\"x\"/>\n";
  std::string error;
  EXPECT_FALSE(host.loadFile(bad, error));
  EXPECT_EQ(error.rfind(bad + ":", 0), 0u) << error;
  EXPECT_FALSE(host.loadFile(missing, error));
  EXPECT_EQ(error, missing + ": cannot open: No such file or directory");
  // Neither a folder, a device, a FIFO (which must not hang) nor a file above the cap is read.
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {dir.string(), std::string("/dev/zero"), fifo}) {
    EXPECT_FALSE(host.loadFile(path, error));
    EXPECT_EQ(error, path + ": cannot read: not a regular file");
  }
  const std::string huge = (dir / "huge.xml").string();
  std::ofstream(huge) << "<host/>";
  std::filesystem::resize_file(huge, standin_limits::kMaxDataFileBytes + 1);  // sparse
  EXPECT_FALSE(host.loadFile(huge, error));
  EXPECT_EQ(error, huge + ": cannot read: larger than 64 MiB");
  std::ofstream(bad) << "<host ecu=\"E\">\n  <ecu name=\"E\"/>\n</host>\n";
  EXPECT_TRUE(host.loadFile(bad, error)) << error;
  EXPECT_TRUE(host.describesEcu("E"));
  std::filesystem::remove_all(dir);
}

TEST_F(HostFile, EachQueryStoresWhatTheEcuLists) {
  struct Row {
    const char* what;
    DRQuery query;
    int status;
    const char* kind;      // the key below data:/Auto/UCEs/DEMO/ to look at afterwards
    const char* expected;  // its entries
  };
  const Row rows[] = {
      {"state", read(kPump), 0, "States", "Pump=0"},
      {"parameter", read("<Parameter name=\"Volt\"/>"), 0, "Parameters", "Volt=12.600000"},
      {"identification, escaped in the file", read("<Identification name=\"VIN\"/>"), 0,
       "Identifications", "VIN='VF1 <x>'"},
      {"item without a value", read("<State name=\"Gear\"/>"), 0, "States", "Pump=0"},
      {"unlisted item, or one of another kind",
       read("<State name=\"Nope\"/><State name=\"Volt\"/>"), 0, "States", "Pump=0"},
      {"command with its status", command("Slow"), 0, "Commands", "Slow=-992"},
      {"command with an input",
       query("command", "DEMO",
             "<Command name=\"Start\"><InputList><InputData value=\"5\"/></InputList></Command>"),
       0, "Commands", "Slow=-992;Start=0"},
      {"refused command", command("Broken"), -14, "Commands", "Slow=-992;Start=0"},
      {"unlisted command", command("Nope"), 0, "Commands", "Slow=-992;Start=0"},
      {"raw frame, hex in upper case", raw("22F190"), 0, "RawFrames", "22F190=0x62F190564631"},
      {"the same frame written otherwise", raw("22f190"), 0, "RawFrames", "22F190=0x62F190564631"},
      {"refused frame", raw("22 F1 90"), -979, "RawFrames", "22F190=0x62F190564631"},
      {"data set of another ECU", read(kPump, "OTHER"), 0, "States", "Pump=0"},
      {"unknown request type", query("write", "DEMO", ""), StandinDiagServices::kInvalidQuery,
       "States", "Pump=0"},
  };
  EXPECT_EQ(services().executeQuery(read("<State name=\"Gear\"/>")), 0);
  EXPECT_EQ(services().executeQuery(raw("1001")), 0);
  EXPECT_EQ(stored("States") + stored("RawFrames"), "(absent)(absent)");  // none named yet
  for (const Row& row : rows) {
    EXPECT_EQ(services().executeQuery(row.query), row.status) << row.what;
    EXPECT_EQ(stored(row.kind), row.expected) << row.what;
  }
}

TEST_F(HostFile, CommandsChangeWhatLaterReadsSee) {
  IDiagServices& demo = services();
  ASSERT_EQ(demo.executeQuery(command("Broken")), -14);
  ASSERT_EQ(demo.executeQuery(read(kReadAll)), 0);
  EXPECT_EQ(stored("States") + "|" + stored("Parameters") + "|" + stored("Identifications"),
            "Pump=0|Volt=12.600000|VIN='VF1 <x>'");

  ASSERT_EQ(demo.executeQuery(command("Start")), 0);
  ASSERT_EQ(demo.executeQuery(command("GearUp")), 0);
  // The command alone changes nothing stored for the items...
  EXPECT_EQ(stored("States"), "Pump=0");
  ASSERT_EQ(demo.executeQuery(read(kReadAll)), 0);
  // ...the next read does; an item without a value got one.
  EXPECT_EQ(stored("States") + "|" + stored("Parameters") + "|" + stored("Identifications"),
            "Pump=1;Gear=3|Volt=-3.500000|VIN='NEW'");

  // A reload starts the simulation afresh.
  load(kFile);
  ASSERT_EQ(demo.executeQuery(read(kReadAll)), 0);
  EXPECT_EQ(stored("States"), "Pump=0");
}

TEST_F(HostFile, ARefusingEcuRefusesEveryQueryAndStoresNothing) {
  IDiagServices& dead = services("OTHER");
  EXPECT_EQ(dead.executeQuery(read(kPump, "OTHER")), -14);
  EXPECT_EQ(dead.executeQuery(command("Start", "OTHER")), -14);
  EXPECT_EQ(dead.executeQuery(raw("22F190", "OTHER")), -14);
  EXPECT_EQ(stored("States", "OTHER") + stored("Commands", "OTHER") + stored("RawFrames", "OTHER"),
            "(absent)(absent)(absent)");
}

TEST_F(HostFile, EachQueryIsLoggedOnce) {
  StandinLog::startCapture();
  services().executeQuery(command("Slow"));
  services().executeQuery(read(kPump + "<Parameter name=\"Volt\"/>"));
  std::vector<std::string> lines;
  const std::vector<LogRecord> records = StandinLog::takeCaptured();
  StandinLog::stopCapture();
  for (const LogRecord& record : records)
    if (record.className == "DiagServices" && record.level == MakoraLog_Static::Information)
      lines.push_back(record.message);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "[DiagServices::executeQuery]: ECU DEMO, command query T/1: status 0, 1 "
                       "value(s) stored.",
                       "[DiagServices::executeQuery]: ECU DEMO, read query T/1: status 0, 2 "
                       "value(s) stored."}));
}

// Start and Stop race with reads: every stored pump state must be one the
// commands set, and the last command decides the final value.
TEST_F(HostFile, ConcurrentQueriesKeepValuesConsistent) {
  IDiagServices& demo = services();
  const DRQuery queries[] = {command("Start"), command("Stop"), read(kPump)};
  std::atomic<int> failures{0};
  std::atomic<bool> torn{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        if (demo.executeQuery(queries[t % 3]) != 0) ++failures;
        const std::string states = stored("States");
        if (states != "(absent)" && states != "Pump=0" && states != "Pump=1") torn = true;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_FALSE(torn.load());
  ASSERT_EQ(demo.executeQuery(queries[1]), 0);
  ASSERT_EQ(demo.executeQuery(queries[2]), 0);
  EXPECT_EQ(stored("States"), "Pump=0");
}

}  // namespace
