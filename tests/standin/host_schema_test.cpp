// The data file's schema and ft-host's loader agree: on each file of the table both accept or
// both refuse, and both accept every data file the project ships.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "StandinHost.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSchema = fs::path(FT_SOURCE_DIR) / "docs" / "ft-host-data.xsd";

std::string host(const std::string& body) {
  return "<host ecu=\"E\">" + body + "</host>";
}

std::string data(const std::string& body) {
  return host("<data>" + body + "</data>");
}

std::string ecu(const std::string& body) {
  return host("<ecu name=\"E\">" + body + "</ecu>");
}

struct Verdicts {
  bool schema;
  bool loader;
  std::string why;
};

class HostSchema : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("xmllint --version >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "xmllint is missing (Debian package libxml2-utils)";
    dir_ = fs::temp_directory_path() / ("ft-schema-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
    StandinHost::instance().clear();
  }

  Verdicts judge(const std::string& xml) {
    const fs::path file = dir_ / "host.xml";
    std::ofstream(file, std::ios::binary) << xml;
    const std::string command =
        "xmllint --noout --schema '" + kSchema.string() + "' '" + file.string() + "' 2>&1";
    Verdicts v;
    std::FILE* pipe = popen(command.c_str(), "r");
    char buffer[512];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) v.why += buffer;
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    v.schema = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::string error;
    v.loader = StandinHost::instance().loadText(xml, error);
    v.why += error;
    return v;
  }

  fs::path dir_;
};

struct Row {
  const char* name;
  std::string xml;
  bool valid;
};

TEST_F(HostSchema, AgreesWithTheLoaderOnEachFile) {
  const Row rows[] = {
      {"empty host", "<host/>", true},
      {"every kind of data",
       data("<integer key='a'> +7 </integer><integer key='b'>-2147483648</integer>"
            "<flag key='c'>1</flag><flag key='d'>false</flag><string key='e'/>"
            "<set key='f'><integer name='i'>-9000000000</integer><float name='x'>1e-3</float>"
            "<float name='y'>.5</float><string name='s'>t</string>"
            "<bytes name='b'> 62f1A0 </bytes><bytes name='n'/></set>"
            "<set key='g'><integer name='j'>1</integer></set>"),
       true},
      {"texts", host("<texts><text code='A'>Läuft</text><text code='B'/></texts>"), true},
      {"a whole ECU, commands before the items they set",
       ecu("<command name='On' status='-992'><set state='S' value='1'/>"
           "<set parameter='P' value='2.5'/><set identification='I' value='x'/></command>"
           "<command name='Off' refuse='-14'/>"
           "<state name='S' value='0'><interpretation><correspondance value='0' "
           "codetext='T' defaultText='Off'/></interpretation><mask>A == 1</mask></state>"
           "<state name='G'/><state name='H' value=' 5 '/><parameter name='P' value='-12.6' "
           "format='2'><mask>1</mask>"
           "</parameter><identification name='I' value='VIN'/><identification name='S'/>"
           "<rawframe request='22F190' response='62F190'/><rawframe request='19' refuse='-979'/>"),
       true},
      {"a refusing ECU beside another", host("<ecu name='E' refuse='-14'/><ecu name='F'/>"), true},
      {"values over time and delays",
       host("<ecu name='E' delay='0'><command name='Go' delay='2000'/>"
            "<parameter name='P' delay='5'><ramp from='0' to='-1.5' step='.5' period='10' "
            "start='Go'><set state='S' value='2'/></ramp></parameter>"
            "<state name='S'><sequence repeat=' true '><step value='1' duration='1'/></sequence>"
            "</state><identification name='I'><sequence><step value='a' duration='5'/>"
            "</sequence></identification><rawframe request='19' response='59' delay='1'/></ecu>"),
       true},
      {"delay too long", ecu("<command name='C' delay='600001'/>"), false},
      {"negative delay", ecu("<state name='S' delay='-1'/>"), false},
      {"ramp without period",
       ecu("<parameter name='P'><ramp from='0' to='1' step='1'/></parameter>"), false},
      {"ramp step 0",
       ecu("<parameter name='P'><ramp from='0' to='1' step='0' period='5'/></parameter>"), false},
      {"ramp of an identification",
       ecu("<identification name='I'><ramp from='0' to='1' step='1' period='5'/></identification>"),
       false},
      {"sequence without steps", ecu("<state name='S'><sequence/></state>"), false},
      {"step of no time",
       ecu("<state name='S'><sequence><step value='1' duration='0'/></sequence></state>"), false},
      {"repeat maybe",
       ecu("<state name='S'><sequence repeat='maybe'><step value='1' duration='1'/></sequence>"
           "</state>"),
       false},

      {"malformed XML", "<host><data></host>", false},
      {"another root", "<hosts/>", false},
      {"unknown element", host("<date/>"), false},
      {"unknown attribute", host("<ecu name='E' colour='red'/>"), false},
      {"integer with letters", data("<integer key='a'>12a</integer>"), false},
      {"integer beyond 32 bits", data("<integer key='a'>3000000000</integer>"), false},
      {"set integer beyond 64 bits",
       data("<set key='a'><integer name='i'>9223372036854775808</integer></set>"), false},
      {"flag yes", data("<flag key='a'>yes</flag>"), false},
      {"key given twice", data("<set key='a'/><integer key='a'>1</integer>"), false},
      {"key given twice in two <data>",
       host("<data><set key='a'/></data><data><set key='a'/></data>"), false},
      {"format not a count", ecu("<parameter name='P' format='-2'/>"), false},
      {"data without key", data("<string>x</string>"), false},
      {"element inside a value", data("<string key='a'><b/></string>"), false},
      {"set entry without name", data("<set key='a'><integer>1</integer></set>"), false},
      {"unknown set entry", data("<set key='a'><flag name='f'>1</flag></set>"), false},
      {"infinite float", data("<set key='a'><float name='x'>inf</float></set>"), false},
      {"odd bytes", data("<set key='a'><bytes name='b'>ABC</bytes></set>"), false},
      {"bytes not hexadecimal", data("<set key='a'><bytes name='b'>0G</bytes></set>"), false},
      {"text without code", host("<texts><text>x</text></texts>"), false},
      {"ECU without name", host("<ecu/>"), false},
      {"ECU described twice", host("<ecu name='E'/><ecu name='E'/>"), false},
      {"status not a number", host("<ecu name='E' refuse='x'/>"), false},
      {"state listed twice", ecu("<state name='S'/><state name='S'/>"), false},
      {"state value not an integer", ecu("<state name='S' value='1.5'/>"), false},
      {"parameter value not a number", ecu("<parameter name='P' value='abc'/>"), false},
      {"second mask", ecu("<state name='S'><mask>1</mask><mask>0</mask></state>"), false},
      {"interpretation of a parameter", ecu("<parameter name='P'><interpretation/></parameter>"),
       false},
      {"correspondance without value",
       ecu("<state name='S'><interpretation><correspondance/></interpretation></state>"), false},
      {"command listed twice", ecu("<command name='C'/><command name='C'/>"), false},
      {"command status not a number", ecu("<command name='C' status='ok'/>"), false},
      {"set of an unlisted state", ecu("<command name='C'><set state='X' value='1'/></command>"),
       false},
      {"set of a state listed as a parameter",
       ecu("<parameter name='X'/><command name='C'><set state='X' value='1'/></command>"), false},
      {"set without value", ecu("<state name='S'/><command name='C'><set state='S'/></command>"),
       false},
      {"raw frame listed twice",
       ecu("<rawframe request='19' response='59'/>"
           "<rawframe request='19' response='5902'/>"),
       false},
      {"raw frame without request", ecu("<rawframe response='59'/>"), false},
      {"odd response", ecu("<rawframe request='19' response='590'/>"), false},
  };
  for (const Row& row : rows) {
    const Verdicts v = judge(row.xml);
    EXPECT_EQ(v.schema, row.valid) << row.name << ": the schema disagrees\n" << v.why;
    EXPECT_EQ(v.loader, row.valid) << row.name << ": the loader disagrees\n" << v.why;
  }
}

TEST_F(HostSchema, AcceptsEveryShippedDataFile) {
  const fs::path source(FT_SOURCE_DIR);
  for (const fs::path& file :
       {source / "examples/demo/demo.xml", source / "templates/scenario/__NAME__.xml",
        source / "tests/integration/fixtures/ecu.xml"}) {
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << file;
    std::stringstream text;
    text << in.rdbuf();
    const Verdicts v = judge(text.str());
    EXPECT_TRUE(v.schema && v.loader) << file << ": update docs/ft-host-data.xsd with the loader\n"
                                      << v.why;
  }
}

}  // namespace
