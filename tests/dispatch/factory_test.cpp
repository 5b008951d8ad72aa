#include <gtest/gtest.h>

#include <QDir>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "StandinHost.h"
#include "StandinLog.h"
#include "communication/CommunicationHandler.h"
#include "dispatch/URLCommandFactory.h"
#include "handlers/GUIHandler.h"
#include "handlers/ResourceHandler.h"
#include "handlers/ScenarioHandler.h"
#include "handlers/UtilitiesHandler.h"
#include "http/RequestDesc.h"

namespace {

const std::string kConf = "data:/Configuration/OrvaneFunctionTests/";

struct Setting {
  std::string key;
  const char* label;
  const char* defaultValue;
  const char* configured;
};

const Setting kSettings[] = {
    {"data:/Configuration/OrvaneData/OrvaneDataRoot", "Orvane Server Root path",
     "../../Data/GenAppli/KVL/", "/srv/ft/data"},
    {kConf + "GUIHtmlFolder", "GUI HTML folder", "/Scenario/gui/", "html/"},
    {kConf + "GUIJSFolder", "GUI JavaScript folder", "/Scenario/gui/scripts/", "js/"},
    {kConf + "GUIJSAPIFolder", "JavaScript API folder", "/Scripts/", "api/"},
    {kConf + "FlowFolder", "Flowchart folder", "/Scenario/scf/", "flow/"},
    {kConf + "StyleFolder", "CSS folder", "/Scenario/gui/Style/", "css/"},
    {kConf + "MWExternalFolder", "MW External folder", "/ExternalFiles/", "ext/"},
    {kConf + "MWECUSpecificFolder", "MW ECU Specific folder", "/ECUSpecific/", "ecu/"},
    {kConf + "ATWSFolder", "ATWS folder", "/ApplicationData/ATWS/", "atws/"},
};

std::string hostXml(const std::string& data) {
  return "<host ecu=\"DEMO\"><data>" + data + "</data><ecu name=\"DEMO\"/></host>";
}

std::string allSettings(const std::string& suffix = "") {
  std::string data;
  for (const auto& s : kSettings)
    data += "<string key=\"" + s.key + "\">" + s.configured + suffix + "</string>";
  return data + "<flag key=\"" + kConf + "DevelopmentMode\">true</flag>";
}

class FactoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinHost::instance().clear();
    StandinLog::setLevel(MakoraLog_Static::Trace);
    StandinLog::setStderr(false);
    factory = URLCommandFactory::getInstance();
    ASSERT_NE(factory, nullptr);
  }
  void TearDown() override {
    StandinLog::stopCapture();
    StandinHost::instance().clear();
  }
  void load(const std::string& data) {
    std::string error;
    ASSERT_TRUE(StandinHost::instance().loadText(hostXml(data), error)) << error;
  }
  // init, returning "<class>: <message>" of every line it logged.
  std::vector<std::string> initLogged(const char* ecu = "DEMO") {
    StandinLog::startCapture();
    factory->init(QString::fromLatin1(ecu));
    std::vector<std::string> lines;
    for (const auto& r : StandinLog::takeCaptured())
      lines.push_back(r.className + ": " + r.message);
    StandinLog::stopCapture();
    return lines;
  }
  static bool contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
      if (l == line) return true;
    return false;
  }
  URLCommandFactory* factory = nullptr;
};

TEST_F(FactoryTest, SingletonIsCreatedOnce) {
  EXPECT_EQ(URLCommandFactory::getInstance(), factory);
}

TEST_F(FactoryTest, DefaultsWhenNothingIsConfigured) {
  load("");
  const auto lines = initLogged();
  for (const auto& s : kSettings)
    EXPECT_TRUE(contains(lines, std::string("URLCommandFactory: [init]: Using default ") + s.label +
                                    " '" + s.defaultValue + "'"))
        << s.label;
  EXPECT_TRUE(contains(lines, "URLCommandFactory: [init]: FT server production mode"));
  const QString expectedRoot =
      QDir::cleanPath(QDir::current().absoluteFilePath(QStringLiteral("../../Data/GenAppli/KVL"))) +
      "/";
  EXPECT_EQ(factory->getDataRoot(), expectedRoot);
  EXPECT_EQ(factory->getGUIHtmlFolder(), "/Scenario/gui/");
  EXPECT_EQ(factory->getJSAPIFolder(), "/Scripts/");
  EXPECT_EQ(factory->getMWExternalFolder(), "/ExternalFiles/");
  EXPECT_EQ(factory->getMWECUSpecificFolder(), "/ECUSpecific/");
  EXPECT_EQ(factory->getATWSFolder(), "/ApplicationData/ATWS/");
  EXPECT_EQ(factory->getEcuName(), "DEMO");
  EXPECT_NE(factory->dataManager, nullptr);
  EXPECT_NE(factory->diagData, nullptr);
  EXPECT_NE(factory->diagServices, nullptr);
  EXPECT_NE(factory->textService, nullptr);
}

TEST_F(FactoryTest, ConfiguredSettingsAreUsed) {
  load(allSettings());
  const auto lines = initLogged();
  for (const auto& s : kSettings)
    EXPECT_TRUE(contains(
        lines, std::string("URLCommandFactory: [init]: ") + s.label + " '" + s.configured + "'"))
        << s.label;
  EXPECT_TRUE(factory->isDevelopmentMode());
  EXPECT_EQ(factory->getDataRoot(), "/srv/ft/data/");
  EXPECT_EQ(factory->getGUIHtmlFolder(), "html/");
  EXPECT_EQ(factory->getJSAPIFolder(), "api/");
  EXPECT_EQ(factory->getMWExternalFolder(), "ext/");
  EXPECT_EQ(factory->getMWECUSpecificFolder(), "ecu/");
  EXPECT_EQ(factory->getATWSFolder(), "atws/");
}

TEST_F(FactoryTest, DataRootIsAbsoluteCleanAndEndsWithOneSlash) {
  const QString cwd = QDir::currentPath();
  struct Case {
    const char* configured;
    QString expected;
  };
  const Case cases[] = {
      {"/srv/ft/", "/srv/ft/"},
      {"/srv/ft//", "/srv/ft/"},
      {"/srv/ft/../data/./x", "/srv/data/x/"},
      {"files", QDir::cleanPath(cwd + "/files") + "/"},
      {"../up", QDir::cleanPath(cwd + "/../up") + "/"},
      {"", QDir::cleanPath(cwd) + "/"},
      {"/", "/"},
  };
  for (const auto& c : cases) {
    load("<string key=\"data:/Configuration/OrvaneData/OrvaneDataRoot\">" +
         std::string(c.configured) + "</string>");
    factory->init(QStringLiteral("DEMO"));
    EXPECT_EQ(factory->getDataRoot(), c.expected) << c.configured;
  }
}

TEST_F(FactoryTest, MissingComponentsStopInitAtTheirStep) {
  struct Case {
    const char* component;
    const char* error;
    bool settingsRead;
  };
  const Case cases[] = {
      {"makora:DM?DataManager", "URLCommandFactory: [init]: Error loading Data Manager.", false},
      {"diagData:DiagData", "URLCommandFactory: [init]: Error loading Diag Data.", false},
      {"diagServices:DiagServices?EcuDiag#DEMO",
       "URLCommandFactory: [init]: Error loading Diag Services.", false},
      {"makora:BText?BText", "URLCommandFactory: [init]: Error loading Btext.", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.component);
    StandinHost::instance().clear();
    load(allSettings());
    factory->init(QStringLiteral("DEMO"));
    ASSERT_EQ(factory->getGUIHtmlFolder(), "html/");

    load(allSettings("v2/"));
    StandinHost::instance().setComponentAvailable(c.component, false);
    const auto lines = initLogged();
    EXPECT_TRUE(contains(lines, c.error));
    EXPECT_EQ(factory->getGUIHtmlFolder(), c.settingsRead ? "html/v2/" : "html/");
  }
}

TEST_F(FactoryTest, UnknownEcuHasNoDiagnosticServices) {
  load(allSettings());
  const auto lines = initLogged("OTHER");
  EXPECT_TRUE(contains(lines, "URLCommandFactory: [init]: Error loading Diag Services."));
  EXPECT_EQ(factory->getEcuName(), "OTHER");
}

TEST_F(FactoryTest, GetCommandFromURL) {
  load("");
  factory->init(QStringLiteral("DEMO"));
  struct Case {
    const char* target;
    const std::type_info* handler;  // null: refused
    const char* command;
  };
  const Case cases[] = {
      {"/getText?textCode=T1&origin=K", &typeid(GUIHandler), "getText"},
      {"/gettext?textCode=T1&origin=K", &typeid(ResourceHandler), "gettext"},
      {"/GETTEXT?textCode=T1&origin=K", &typeid(ResourceHandler), "GETTEXT"},
      {"/Scenario/gui/page.html", &typeid(ResourceHandler), "Scenario/gui/page.html"},
      {"/FT?gui=a.html&mw=m&flow=f", &typeid(ScenarioHandler), "FT"},
      {"/ENDFT", &typeid(ScenarioHandler), "ENDFT"},
      {"/fileExists?name=a", &typeid(UtilitiesHandler), "fileExists"},
      {"/readFile?name=a", &typeid(UtilitiesHandler), "readFile"},
      {"/readXMLFile?name=a&type=t", &typeid(UtilitiesHandler), "readXMLFile"},
      {"/writeFile?name=a&content=c", &typeid(UtilitiesHandler), "writeFile"},
      {"/deleteFile?name=a", &typeid(UtilitiesHandler), "deleteFile"},
      {"/readSignal?names=A&types=State", &typeid(CommunicationHandler), "readSignal"},
      {"/isApplicable?names=A&types=State", &typeid(CommunicationHandler), "isApplicable"},
      {"/sendQuery?query=Q", &typeid(CommunicationHandler), "sendQuery"},
      {"/sendRawQuery?query=22F190", &typeid(CommunicationHandler), "sendRawQuery"},
      {"/retrieveInitialValue?names=A", nullptr, nullptr},
      {"/readFile", nullptr, nullptr},
      {"/getText?textCode=T1&origin=X", nullptr, nullptr},
      {"/FT?gui=a.html", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    RequestDesc desc;
    desc.setRequest(QString::fromLatin1(c.target));
    StandinLog::startCapture();
    std::unique_ptr<CommandHandlerBase> handler(factory->getCommandFromURL(desc));
    bool refusedLogged = false;
    for (const auto& r : StandinLog::takeCaptured())
      refusedLogged |=
          r.level == MakoraLog_Static::Error &&
          r.message == "[getCommandFromURL(const RequestDesc&)]: checkParameter fails.";
    StandinLog::stopCapture();
    if (c.handler == nullptr) {
      EXPECT_EQ(handler, nullptr);
      EXPECT_TRUE(refusedLogged);
      continue;
    }
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(typeid(*handler), *c.handler);
    EXPECT_EQ(handler->getCommand(), c.command);
    EXPECT_FALSE(refusedLogged);
  }
}

TEST_F(FactoryTest, HandlerReceivesTheExtractedParameters) {
  load("");
  factory->init(QStringLiteral("DEMO"));
  RequestDesc desc;
  desc.setRequest(QStringLiteral("/getText?textCode=T1;T2&origin=K&extra=%20"));
  std::unique_ptr<CommandHandlerBase> handler(factory->getCommandFromURL(desc));
  ASSERT_NE(handler, nullptr);
  const QMap<QString, QString> expected{{"textCode", "T1;T2"}, {"origin", "K"}, {"extra", "%20"}};
  EXPECT_EQ(handler->getParameters(), expected);
}

TEST_F(FactoryTest, MasksOverTheEcuStates) {
  load(
      "<set key=\"data:/Auto/InternalOwner/UCEs/DEMO/States\">"
      "<integer name=\"A\">1</integer><integer name=\"B\">2</integer>"
      "<string name=\"S\">text</string><integer name=\"Bits\">6</integer></set>");
  const auto lines = initLogged();
  EXPECT_TRUE(contains(lines, "URLCommandFactory: [getAllMaskFromDM()]: Error getting mask: S"));
  struct Case {
    const wchar_t* mask;
    int value;
  };
  const Case cases[] = {
      {L"(A == 1) && (B == 2)", 1},
      {L"A == 1 && B == 2", 0},
      {L"A == 2", 0},
      {L"Undefined == 1", 0},
      {L"", 0},
      {L"S == 0", 1},
      {L"Bits & 4", 4},
      {L"((A == 1)", 0},
  };
  for (int round = 0; round < 2; ++round)
    for (const auto& c : cases)
      EXPECT_EQ(factory->evaluateMask(ACE_WString(c.mask)), c.value) << round;
}

TEST_F(FactoryTest, MasksFollowTheValuesOfTheLatestInit) {
  const std::string states = "<set key=\"data:/Auto/InternalOwner/UCEs/DEMO/States\">";
  load(states + "<integer name=\"A\">1</integer></set>");
  factory->init(QStringLiteral("DEMO"));
  EXPECT_EQ(factory->evaluateMask(ACE_WString(L"A == 1")), 1);
  load(states + "<integer name=\"A\">3</integer></set>");
  factory->init(QStringLiteral("DEMO"));
  EXPECT_EQ(factory->evaluateMask(ACE_WString(L"A == 1")), 0);
  EXPECT_EQ(factory->evaluateMask(ACE_WString(L"A == 3")), 1);
}

TEST_F(FactoryTest, NoStateSetMeansNoMasks) {
  load("");
  const auto lines = initLogged("DEMO");
  EXPECT_TRUE(contains(lines,
                       "URLCommandFactory: [init]: The mask cannot be read from DM or the uri does "
                       "not contain them"));
}

}  // namespace
