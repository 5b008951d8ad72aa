// The host data file: one full file read back through every service, and
// each fault, refused by the loader and the schema alike, naming its line.
// Guards against: a shipped file or a guide's example refused, a value read
// back otherwise than written (kind, bounds, blanks, case of keys), a query
// storing what it must not or under another ECU, a failed load changing
// anything, a dropped ECU's services left registered, a fault or warning naming
// the wrong line or culprit, loader and schema disagreeing, a special or
// oversized file read, values torn by concurrent queries or reloads, a stopped
// load applied.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "DRParameter.h"
#include "DRQuery.h"
#include "IBText.h"
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

namespace fs = std::filesystem;

const char kFile[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<host ecu="DEMO">
  <data>
    <integer key="data:/I">-2147483648</integer>
    <integer key="data:/Padded"> +2147483647 </integer>
    <flag key="data:/T">true</flag>
    <flag key="data:/Zero">0</flag>
    <string key="data:/S">files/x</string>
    <string key="data:/Blanks">  </string>
    <integer key="data:/Configuration/OrvaneFunctionTests/SocketPort">1</integer>
    <set key="data:/Set">
      <integer name="N">9223372036854775807</integer>
      <float name="F">-1.25</float>
      <string name="S">text</string>
      <bytes name="B"> 62f1A0 </bytes>
    </set>
  </data>
  <texts>
    <text code="T_ON">Läuft</text>
    <text code="T_EMPTY"/>
  </texts>
  <ecu name="DEMO" delay="0">
    <command name="Start" status="0" delay="1">
      <set state="Pump" value="1"/>
      <set parameter="Volt" value="-3.5"/>
      <set identification="VIN" value="NEW"/>
    </command>
    <state name="Pump" value="0">
      <mask>VehicleType == 2 &amp;&amp; A &lt; 3</mask>
      <interpretation>
        <correspondance value="0" codetext="T_OFF" defaultText="&quot;Off&quot; &gt; '1'"/>
        <correspondance value="1" codetext="T_ON" defaultText="On"/>
      </interpretation>
    </state>
    <state name="Gear"/>
    <parameter name="Volt" value="12.6" format="+2"/>
    <parameter name="Temp"><ramp from="30" to="40" step="1" period="600000" start="Start"/></parameter>
    <identification name="VIN" value="VF1 &lt;x&gt;"><mask>1</mask></identification>
    <command name="Stop"><set state="Pump" value="0"/></command>
    <command name="Slow" status="-992"/>
    <command name="Broken" refuse="-14"><set state="Pump" value="9"/></command>
    <command name="GearUp"><set state="Gear" value="3"/></command>
    <rawframe request="22F190" response="62f190564631"/>
    <rawframe request="22 F1 90" refuse="-979"/>
    <rawframe request="19" response="59" delay="600000"/>
  </ecu>
  <ecu name="OTHER" refuse="-14"/>
</host>)";

// The schema's verdict on a document; its complaint in why.
bool schemaAccepts(const std::string& xml, std::string& why) {
  const fs::path file = fs::temp_directory_path() / ("ft-schema-" + std::to_string(getpid()));
  std::ofstream(file, std::ios::binary) << xml;
  const std::string command = "xmllint --noout --schema '" FT_SOURCE_DIR
                              "/docs/ft-host-data.xsd' '" +
                              file.string() + "' 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  char buffer[512];
  why.clear();
  while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) why += buffer;
  const int status = pipe != nullptr ? pclose(pipe) : -1;
  fs::remove(file);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool haveXmllint() {
  return std::system("xmllint --version >/dev/null 2>&1") == 0;
}

// A query of the given request type whose one data set holds items; a null
// ecu leaves the data set unnamed.
DRQuery query(const std::string& type, const char* ecu, const std::string& items) {
  DRQuery query;
  query.setXML(wide("<Query name=\"EP\" queryId=\"T/1\" sleepTimer=\"0\" requestType=\"" + type +
                    "\" refresh=\"once\" synchronous=\"true\"><EcuDataSet" +
                    (ecu ? std::string(" name=\"") + ecu + "\"" : "") + ">" + items +
                    "</EcuDataSet></Query>"));
  return query;
}
DRQuery read(const std::string& items, const char* ecu = "DEMO") {
  return query("read", ecu, items);
}
DRQuery command(const std::string& name, const char* ecu = "DEMO") {
  return query("command", ecu, "<Command name=\"" + name + "\"/>");
}
DRQuery raw(const std::string& frame, const char* ecu = "DEMO") {
  return query("rawframe", ecu,
               "<Service delay=\"0\" mode=\"1\"><Start><Request val=\"" + frame +
                   "\"/><Response><Simple val=\"\"/></Response></Start></Service>");
}

const std::string kPump = "<State name=\"Pump\"/>", kGear = "<State name=\"Gear\"/>";
const std::string kReadAll = kPump + kGear +
                             "<Parameter name=\"Volt\"/><Parameter name=\"Temp\"/>"
                             "<Identification name=\"VIN\"/>";

std::wstring xmlOf(const BDomData& item) {
  ACE_WString xml;
  item.getXML(xml);
  return str(xml);
}

IComponent* registered(const std::string& id) {
  IComponent* component = nullptr;
  return StandinComponentManager::instance().getComponent(ID(wide(id)), &component) == 0 ? component
                                                                                         : nullptr;
}

IDiagServices* services(const std::string& ecu) {
  return dynamic_cast<IDiagServices*>(registered("diagServices:DiagServices?EcuDiag#" + ecu));
}

class HostFile : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinLog::setStderr(false);
    host_.clear();
  }
  void TearDown() override {
    host_.clear();
    StandinLog::setStderr(true);
  }

  void load(const std::string& xml) {
    std::string error;
    ASSERT_TRUE(host_.loadText(xml, error)) << error;
  }

  std::wstring text(const wchar_t* code) {
    ACE_WString out;
    return str(host_.textService().lookupText(out, code, L"default"));
  }

  // The set under the key, printed as name=value;...
  std::string printed(const std::string& key) {
    BSet set;
    if (data_.readSet(ID(wide(key)), set) != 0) return "(absent)";
    std::string out;
    StringSet names = set.getAllKeys();
    for (int i = 0; i < names.length(); ++i) {
      ACE_WString name, value;
      names.getAt(i, name);
      long integer = 0;
      double real = 0;
      BByteArray bytes;
      out += (out.empty() ? "" : ";") + narrow(name) + "=";
      if (set.getInt(name, integer) == 0)
        out += std::to_string(integer);
      else if (set.getFloat(name, real) == 0)
        out += std::to_string(real);
      else if (set.getString(name, value) == 0)
        out += "'" + narrow(value) + "'";
      else if (set.getByteArray(name, bytes) == 0 && bytes.getString(value) == 0)
        out += "0x" + narrow(value);
    }
    return out;
  }
  std::string stored(const std::string& kind, const std::string& ecu = "DEMO") {
    return printed("data:/Auto/UCEs/" + ecu + "/" + kind);
  }

  StandinHost& host_ = StandinHost::instance();
  StandinDataManager& data_ = host_.dataManager();
};

std::string fileText(const char* relative) {
  std::ifstream in(fs::path(FT_SOURCE_DIR) / relative, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The shipped data files, and every data-file example of the guides as an author would paste it
// (one inside <ecu> is put in one, one inside <host> in that): the schema and the loader take
// each.
TEST_F(HostFile, ShippedFilesAndTheGuidesExamplesAreValid) {
  std::vector<std::pair<std::string, std::string>> documents;  // where from, the text
  for (const char* shipped : {"examples/demo/demo.xml", "templates/scenario/__NAME__.xml",
                              "tests/integration/fixtures/ecu.xml"})
    documents.emplace_back(shipped, fileText(shipped));
  const std::regex block("\n( *)```xml\n([^]*?)\n *```");
  for (const char* guide : {"README.md", "docs/scenario-authors.md"}) {
    const std::string all = fileText(guide);
    for (std::sregex_iterator it(all.begin(), all.end(), block), end; it != end; ++it) {
      std::string xml = (*it)[2];
      const std::string first =
          xml.substr(xml.find('<') + 1, xml.find_first_of(" >", xml.find('<')) - xml.find('<') - 1);
      if (first == "state" || first == "parameter" || first == "identification" ||
          first == "command" || first == "rawframe")
        xml = "<host><ecu name=\"DEMO\">" + xml + "</ecu></host>";
      else if (first != "host" && first != "?xml")
        xml = "<host>" + xml + "</host>";
      documents.emplace_back(guide, xml);
    }
  }
  EXPECT_GE(documents.size(), 3u + 4u);
  for (const auto& [origin, xml] : documents) {
    std::string why, error;
    EXPECT_TRUE(!haveXmllint() || schemaAccepts(xml, why)) << origin << ":\n" << xml << "\n" << why;
    EXPECT_TRUE(host_.loadText(xml, error)) << origin << ":\n" << xml << "\n" << error;
  }
}

TEST_F(HostFile, RoundTrip) {
  std::string why;
  EXPECT_TRUE(!haveXmllint() || schemaAccepts(kFile, why)) << why;
  load(kFile);

  int i = 0, padded = 0;
  bool t = false, zero = true;
  ACE_WString s, blanks;
  EXPECT_EQ(data_.readInteger(ID("data:/I"), i) | data_.readInteger(ID("data:/Padded"), padded) |
                data_.readFlag(ID("data:/T"), t) | data_.readFlag(ID("data:/Zero"), zero) |
                data_.readString(ID("data:/S"), s) | data_.readString(ID("data:/Blanks"), blanks),
            0);
  EXPECT_EQ(std::to_string(i) + "|" + std::to_string(padded) + "|" + std::to_string(t) +
                std::to_string(zero) + "|" + narrow(s) + "|" + narrow(blanks) + "|",
            "-2147483648|2147483647|10|files/x|  |");
  EXPECT_EQ(printed("data:/Set"), "N=9223372036854775807;F=-1.250000;S='text';B=0x62F1A0");
  // Reads of another type, or of a key in another case, fail and keep the out value.
  BSet set;
  EXPECT_TRUE(data_.readFlag(ID("data:/I"), t) != 0 && data_.readInteger(ID("data:/S"), i) != 0 &&
              data_.readString(ID("data:/s"), s) != 0 && data_.readSet(ID("data:/S"), set) != 0);
  EXPECT_EQ(std::to_string(i) + std::to_string(t) + narrow(s) + std::to_string(set.size()),
            "-21474836481files/x0");
  EXPECT_EQ(text(L"T_ON") + L"|" + text(L"T_EMPTY") + L"|" + text(L"T_NONE"), L"Läuft||default");

  // Descriptions as the file gives them; the simulated value is no part of them.
  StandinDiagData& diag = host_.diagData();
  DRState pump;
  DRParameter volt;
  ASSERT_EQ(diag.getState(L"DEMO", L"Pump", pump) | diag.getParameter(L"DEMO", L"Volt", volt), 0);
  EXPECT_EQ(xmlOf(pump) + xmlOf(volt),
            L"<State name=\"Pump\"><Mask value=\"VehicleType == 2 &amp;&amp; A &lt; 3\"/>"
            L"<Interpretation><Correspondance value=\"0\" codetext=\"T_OFF\" "
            L"defaultText=\"&quot;Off&quot; > '1'\"/>"
            L"<Correspondance value=\"1\" codetext=\"T_ON\" defaultText=\"On\"/>"
            L"</Interpretation></State><Parameter name=\"Volt\"><Format>2</Format></Parameter>");

  EXPECT_EQ(host_.defaultEcu(), "DEMO");
  EXPECT_FALSE(host_.describesEcu("demo"));
  IBText* wrongType = nullptr;
  EXPECT_NE(
      StandinComponentManager::instance().getComponent(ID("makora:DM?DataManager"), &wrongType), 0);
  ASSERT_NE(services("OTHER"), nullptr);
  IDiagServices* demo = services("DEMO");
  ASSERT_NE(demo, nullptr);

  // Queries in turn to the ECU's services, and what is stored under
  // data:/Auto/UCEs/<ecu>/<kind> after each.
  const std::string kRun =
      "<Command name=\"Start\"><InputList><InputData value=\"5\"/></InputList></Command>";
  const struct {
    const char* ecu;
    DRQuery query;
    int status;
    const char* kind;
    const char* expected;
  } rows[] = {
      {"DEMO", read(kGear), 0, "States", "(absent)"},  // no value: nothing stored
      {"DEMO", raw("1001"), 0, "RawFrames", "(absent)"},
      {"DEMO", read(kPump, "OTHER"), 0, "States", "(absent)"},  // another ECU's data set
      {"DEMO", read("<Identification name=\"VIN\"/>"), 0, "Identifications", "VIN='VF1 <x>'"},
      {"DEMO", command("Broken"), -14, "Commands", "(absent)"},
      {"DEMO", command("Slow"), 0, "Commands", "Slow=-992"},
      {"DEMO", read(kPump), 0, "States", "Pump=0"},  // the refused command set nothing
      {"DEMO", query("command", "DEMO", kRun), 0, "Commands", "Slow=-992;Start=0"},
      {"DEMO", command("GearUp"), 0, "States", "Pump=0"},  // a command alone stores no item
      {"DEMO", read(kReadAll, nullptr), 0, "States", "Pump=1;Gear=3"},  // unnamed: this ECU's
      {"DEMO", read(kReadAll), 0, "Parameters", "Volt=-3.500000;Temp=30.000000"},
      {"DEMO", read(kReadAll), 0, "Identifications", "VIN='NEW'"},
      {"DEMO", raw("22F190"), 0, "RawFrames", "22F190=0x62F190564631"},
      {"DEMO", raw("22f190"), 0, "RawFrames", "22F190=0x62F190564631"},
      {"DEMO", raw("22 F1 90"), -979, "RawFrames", "22F190=0x62F190564631"},
      {"DEMO", query("write", "DEMO", ""), StandinDiagServices::kInvalidQuery, "Commands",
       "Slow=-992;Start=0;GearUp=0"},
      {"OTHER", read(kPump, "OTHER"), -14, "States", "(absent)"},
  };
  for (size_t row = 0; row < std::size(rows); ++row) {
    const auto& [ecu, query, status, kind, expected] = rows[row];
    EXPECT_EQ(services(ecu)->executeQuery(query), status) << "row " << row;
    EXPECT_EQ(stored(kind, ecu), expected) << "row " << row;
  }

  // A failed load changes nothing; a good one replaces everything, and an ECU
  // it drops is withdrawn without its simulation, although a running
  // component still holds its services.
  std::string error;
  EXPECT_FALSE(host_.loadText("<host><data><integer key=\"K\">x</integer></data></host>", error));
  EXPECT_TRUE(host_.describesEcu("OTHER"));
  load(R"(<host><data><integer key="data:/New">1</integer></data><ecu name="NEW"/></host>)");
  EXPECT_NE(data_.readInteger(ID("data:/I"), i), 0);
  EXPECT_EQ(data_.readInteger(ID("data:/New"), i), 0);
  EXPECT_EQ(host_.defaultEcu(), "");
  EXPECT_EQ(services("DEMO"), nullptr);
  EXPECT_EQ(demo->executeQuery(read(kPump)), 0);
  EXPECT_EQ(stored("States"), "(absent)");
  EXPECT_NE(diag.getState(L"DEMO", L"Pump", pump), 0);
  EXPECT_EQ(text(L"T_ON"), L"default");
  // Back again: the same object, its simulation started afresh.
  load(kFile);
  EXPECT_EQ(services("DEMO"), demo);
  ASSERT_EQ(demo->executeQuery(read(kReadAll)), 0);
  EXPECT_EQ(stored("States"), "Pump=0");
}

// Loader and schema agree on every row; a row the schema cannot judge says so.
enum Verdict { Both, Loader, Warns, Loads, File };

TEST_F(HostFile, FaultsNameTheLineAndTheCulprit) {
  const fs::path dir = fs::temp_directory_path() / ("loader-test-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string bad = (dir / "bad.xml").string();
  std::ofstream(bad) << "<host>\n  <ecu name=\"E\">\n    <state name=\"S\" value=\"x\"/>\n";
  const std::string huge = (dir / "huge.xml").string(), full = (dir / "full.xml").string();
  std::ofstream(huge) << "<host/>";
  fs::resize_file(huge, standin_limits::kMaxDataFileBytes + 1);  // sparse
  std::ofstream(full) << "<host/>";
  fs::resize_file(full, standin_limits::kMaxDataFileBytes);

  const auto ecu = [](const std::string& body) {
    return "<host><ecu name='E'>" + body + "</ecu></host>";
  };
  const auto inState = [&](const std::string& body) {
    return ecu("<state name='S'>" + body + "</state>");
  };
  const auto inParameter = [&](const std::string& body) {
    return ecu("<parameter name='P'>" + body + "</parameter>");
  };
  const auto inCommand = [&](const std::string& body) {
    return ecu("<state name='S'/><command name='C'>" + body + "</command>");
  };
  const auto data = [](const std::string& body) {
    return "<host><data>" + body + "</data></host>";
  };
  const auto set = [&](const std::string& body) { return data("<set key='K'>" + body + "</set>"); };
  const std::string conf = "<string key='data:/Configuration/";
  const std::string step = "<step value='1' duration='1'/>";
  // {verdict, the text (a path for File), how the error or warning starts after
  // "(text):" or the path; empty: loaded}
  const std::tuple<Verdict, std::string, std::string> rows[] = {
      // The document.
      {Both, "<host>\n<data>\n</host>", "3: malformed XML: Start-end tags mismatch"},
      {Both, "<hosts/>", "1: the root element is <hosts>, not <host>"},
      {Both, "<host ecu='E'><ecu name='E'/></host>junk", R"(1: text "junk" outside the root)"},
      {Loads, "<?xml version='1.0'?>\n<!-- a -->\n<?pi x?>\n<host/>\n<!-- b --><?pi y?>\n\n", ""},
      {Both, "<host>\n  <datum/>\n</host>", "2: unknown element <datum> in <host>"},
      // <data>, just past the bounds of each type.
      {Both, data("\n\n<integer key='K'>12a</integer>"), R"(3: <integer key="K">: "12a" is not a)"},
      {Both, data("<integer key='K'>2147483648</integer>"),
       R"(1: <integer key="K">: "2147483648")"},
      {Both, data("<integer key='K'>1</integer>\n<string key='K'/>"),
       R"(2: <string key="K"> is given twice, first on line 1)"},
      {Both, set("<integer name='i'>9223372036854775808</integer>"), R"(1: <integer name="i">)"},
      {Both, set("<bytes name='B'>ABC</bytes>"), R"(1: <bytes name="B">: "ABC" is not hex)"},
      {Both, set("<float name='F'>inf</float>"), R"(1: <float name="F">: "inf" is not a number)"},
      {Warns, data("\n" + conf + "OrvaneData/OrvaneDataRot'/>"),
       "2: the component reads no key data:/Configuration/OrvaneData/OrvaneDataRot, did you "
       "mean data:/Configuration/OrvaneData/OrvaneDataRoot?"},
      {Loads, data(conf + "OrvaneFunctionTests/FlowFolder'/><flag key='data:/Auto/X'>1</flag>"),
       ""},
      {Warns, data("<flag key='data:/Configuration/OrvaneFunctionTests/DevelopmentModus'>1</flag>"),
       "1: the component reads no key data:/Configuration/OrvaneFunctionTests/DevelopmentModus, "
       "did you mean data:/Configuration/OrvaneFunctionTests/DevelopmentMode? Development mode "
       "is off: no problem panel on the page, no live reload."},
      // <texts> and <ecu>
      {Both, "<host><ecu/></host>", "1: <ecu> lacks the attribute name"},
      {Both, ecu("<state name='S' value='1.5'/>"), R"(1: <state name="S">: "1.5" is not a)"},
      {Both, ecu("<parameter name='P' format='-2'/>"), R"(1: <parameter name="P">: "-2" is not a)"},
      {Both, inCommand("<set parameter='S' value='1'/>"), R"(1: <set parameter="S">: no such)"},
      {Loader, inCommand("<set state='S' parameter='S' value='1'/>"), "1: <set> names more than"},
      {Both, ecu("<rawframe request='19' response='590'/>"),
       R"(1: <rawframe request="19">: "590")"},
      // Time: delays, ramps and sequences.
      {Both, ecu("\n<command name='C' delay='1s'/>"),
       R"(2: <command> delay="1s" is not a whole number of milliseconds from 0 to 600000)"},
      {Both, ecu("<command name='C' delay='600001'/>"), R"(1: <command> delay="600001")"},
      {Loader, inState("\n<ramp from='0' to='9' step='1' period='5' start='Go'/>"),
       R"(2: <ramp> of S: start="Go" is no command)"},
      {Both, inParameter("<ramp from='0' to='1' step='0' period='5'/>"), "1: <ramp> of P: step is"},
      {Loader,
       inState("<ramp from='0' to='1' step='1' period='1'/>\n<sequence>" + step + "</sequence>"),
       "2: second <ramp> or <sequence>"},
      // Courses whose length in milliseconds would not fit a 64-bit integer.
      {Both, inParameter("<ramp from='0' to='1' step='1' period='9223372036854775807'/>"),
       R"(1: <ramp>: "9223372036854775807" is not a whole number of milliseconds from 1 to )"
       "86400000"},
      {Loader, inParameter("<ramp from='-1.7e308' to='1.7e308' step='1e300' period='1'/>"),
       "1: <ramp> of P: from -1.7e308 to 1.7e308 in steps of 1e300 takes more than 1000000 steps"},
      {Loads, inParameter("<ramp from='0' to='1000000' step='1' period='86400000'/>"), ""},
      {Loader, inState("\n<sequence repeat='1'>" + step + "<set state='S' value='0'/></sequence>"),
       "2: <sequence> of S repeats, so it never ends and its <set> never applies"},
      // Files: read only when regular and within the size cap.
      {File, bad, ":3: malformed XML"},
      {File, (dir / "missing.xml").string(), ": cannot open: No such file or directory"},
      {File, fifo, ": cannot read: not a regular file"},  // and no hang
      {File, huge, ": cannot read: larger than 64 MiB"},
      {File, full, ""},
  };
  const bool schema = haveXmllint();
  for (const auto& [verdict, source, expected] : rows) {
    SCOPED_TRACE(source);
    std::string error, why;
    StandinLog::startCapture();
    const bool loaded =
        verdict == File ? host_.loadFile(source, error) : host_.loadText(source, error);
    std::string warnings;
    for (const LogRecord& record : StandinLog::takeCaptured())
      if (record.level == MakoraLog_Static::Warning) warnings += record.message;
    StandinLog::stopCapture();
    EXPECT_EQ(loaded,
              verdict == Warns || verdict == Loads || (verdict == File && expected.empty()));
    const std::string origin = verdict == File ? source : "(text):";
    if (loaded) {
      EXPECT_EQ(warnings, verdict == Warns ? origin + expected : "");
    } else {
      EXPECT_EQ(error.rfind(origin + expected, 0), 0u) << error;
    }
    if (schema && verdict != File && verdict != Loader) {
      EXPECT_EQ(schemaAccepts(source, why), verdict != Both) << "the schema disagrees\n" << why;
    }
  }
  fs::remove_all(dir);
}

// Queries racing each other and reloads see the old content or the new, never a torn value
// or an empty service; a query's result survives a reload right after it.
TEST_F(HostFile, QueriesAndReloadsRaceWithoutGaps) {
  load(kFile);
  IDiagServices& demo = *services("DEMO");
  ASSERT_EQ(demo.executeQuery(read(kPump)), 0);
  load(kFile);
  EXPECT_EQ(stored("States"), "Pump=0");

  const DRQuery queries[] = {command("Start"), command("Stop"), read(kPump)};
  std::atomic<bool> done{false};
  std::atomic<int> gaps{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t)
    readers.emplace_back([&, t] {
      for (int i = t; !done; ++i) {
        int value = 0;
        gaps += demo.executeQuery(queries[i % 3]) != 0;
        const std::string states = stored("States");
        gaps += states != "Pump=0" && states != "Pump=1";
        gaps += text(L"T_ON") != L"Läuft";
        gaps += data_.readInteger(ID("data:/I"), value) != 0;
        gaps += services("DEMO") == nullptr;
      }
    });
  for (int i = 0; i < 300; ++i) load(kFile);
  done = true;
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(gaps.load(), 0);
}

// A stop ends a load early and changes nothing.
TEST_F(HostFile, AStoppedLoadChangesNothing) {
  load(kFile);
  const fs::path file =
      fs::temp_directory_path() / ("stopped-" + std::to_string(getpid()) + ".xml");
  std::ofstream(file) << "<host><texts><text code='T_ON'>new</text></texts></host>";
  const std::atomic<bool> stop{true};
  std::string error;
  EXPECT_FALSE(host_.loadFile(file.string(), error, {}, &stop));
  EXPECT_EQ(error, file.string() + ": reading stopped");
  EXPECT_EQ(text(L"T_ON"), L"Läuft");
  fs::remove(file);
}

}  // namespace
