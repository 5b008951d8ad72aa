// The factory: settings from the host or their defaults, the data root made
// absolute, init stopping at a missing component, each word routed to its
// handler with its parameters checked, masks over the latest init's states.
// Guards against: a default lost or a setting not read, a data root left
// relative or unclean, init going on past a missing component, a word routed
// to the wrong handler or its empty parameter let through, a mask evaluated
// over stale states or a broken one warned about more than once, a reload
// racing the requests that read its settings (seen under TSan).
#include <gtest/gtest.h>

#include <QDir>
#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <typeinfo>
#include <vector>

#include "communication/CommunicationHandler.h"
#include "dispatch/URLCommandFactory.h"
#include "handlers/GUIHandler.h"
#include "handlers/ResourceHandler.h"
#include "handlers/ScenarioHandler.h"
#include "handlers/UtilitiesHandler.h"
#include "http/RequestDesc.h"
#include "support/standin_host_test.h"

namespace {

std::string setting(const std::string& key, const std::string& value) {
  return "<string key=\"data:/Configuration/" + key + "\">" + value + "</string>";
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class FactoryTest : public StandinHostTest {
 protected:
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
  URLCommandFactory* factory = URLCommandFactory::getInstance();
};

TEST_F(FactoryTest, SettingsComeFromTheHostOrDefaults) {
  const struct {
    const char* key;
    QString (URLCommandFactory::*get)() const;
    QString defaultValue;
    const char* configured;
  } rows[] = {
      {"OrvaneData/OrvaneDataRoot", &URLCommandFactory::getDataRoot,
       QDir::cleanPath(QDir::current().absoluteFilePath("../../Data/GenAppli/KVL")) + "/",
       "/srv/ft/data/"},
      {"OrvaneFunctionTests/GUIHtmlFolder", &URLCommandFactory::getGUIHtmlFolder, "/Scenario/gui/",
       "html/"},
      {"OrvaneFunctionTests/ATWSFolder", &URLCommandFactory::getATWSFolder,
       "/ApplicationData/ATWS/", "atws/"},
  };
  load("");
  factory->init(QStringLiteral("DEMO"));
  EXPECT_FALSE(factory->isDevelopmentMode());
  for (const auto& r : rows) EXPECT_EQ((factory->*r.get)(), r.defaultValue) << r.key;

  std::string data =
      "<flag key=\"data:/Configuration/OrvaneFunctionTests/DevelopmentMode\">true</flag>";
  for (const auto& r : rows) data += setting(r.key, r.configured);
  load(data);
  factory->init(QStringLiteral("DEMO"));
  EXPECT_TRUE(factory->isDevelopmentMode());
  for (const auto& r : rows) EXPECT_EQ((factory->*r.get)(), r.configured) << r.key;
}

TEST_F(FactoryTest, DataRootIsAbsoluteCleanAndEndsWithOneSlash) {
  const QString cwd = QDir::currentPath();
  struct Case {
    const char* configured;
    QString expected;
  };
  const Case cases[] = {
      {"/srv/ft//", "/srv/ft/"},
      {"../up/./x", QDir::cleanPath(cwd + "/../up/x") + "/"},
      {"/", "/"},
  };
  for (const auto& c : cases) {
    load(setting("OrvaneData/OrvaneDataRoot", c.configured));
    factory->init(QStringLiteral("DEMO"));
    EXPECT_EQ(factory->getDataRoot(), c.expected) << c.configured;
  }
}

TEST_F(FactoryTest, MissingComponentsStopInitAtTheirStep) {
  struct Case {
    const char* component;  // "": all there, but the ECU is unknown
    const char* ecu;
    const char* error;
    bool settingsRead;
  };
  const Case cases[] = {
      {"makora:DM?DataManager", "DEMO", "Error loading Data Manager.", false},
      {"", "OTHER", "Error loading Diag Services.", false},
      {"makora:BText?BText", "DEMO", "Error loading Btext.", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.component) + c.ecu);
    StandinHost::instance().clear();
    load(setting("OrvaneFunctionTests/GUIHtmlFolder", "html/"));
    factory->init(QStringLiteral("DEMO"));
    ASSERT_EQ(factory->getGUIHtmlFolder(), "html/");

    load(setting("OrvaneFunctionTests/GUIHtmlFolder", "html/v2/"));
    if (*c.component) StandinHost::instance().setComponentAvailable(c.component, false);
    EXPECT_TRUE(contains(initLogged(c.ecu), std::string("URLCommandFactory: [init]: ") + c.error));
    EXPECT_EQ(factory->getGUIHtmlFolder(), c.settingsRead ? "html/v2/" : "html/");
  }
}

TEST_F(FactoryTest, GetCommandFromURLRoutesAndChecksParameters) {
  load("");
  factory->init(QStringLiteral("DEMO"));
  struct Case {
    const char* target;
    const std::type_info* handler;  // null: refused
    const char* command;
  };
  // An absent or empty value is missing, a blank one is not; getText and the diagnostic
  // commands add checks of their own, which must not replace the shared one.
  const Case cases[] = {
      {"/getText?textCode=T1&origin=K", &typeid(GUIHandler), "getText"},
      {"/gettext?textCode=T1&origin=K", &typeid(ResourceHandler), "gettext"},
      {"/Scenario/gui/page.html", &typeid(ResourceHandler), "Scenario/gui/page.html"},
      {"/FT?gui= &mw=m&flow=f", &typeid(ScenarioHandler), "FT"},
      {"/ENDFT", &typeid(ScenarioHandler), "ENDFT"},
      {"/writeFile?name=a&content=x", &typeid(UtilitiesHandler), "writeFile"},
      {"/readSignal?names=A;;B;&types=;State;;Parameter", &typeid(CommunicationHandler),
       "readSignal"},
      {"/sendQuery?query=Bleed&param=", &typeid(CommunicationHandler), "sendQuery"},
      {"/retrieveInitialValue?names=A&types=State", nullptr, nullptr},
      {"/FT?gui=&mw=m&flow=f", nullptr, nullptr},
      {"/getText?textCode=&origin=K", nullptr, nullptr},
      {"/writeFile?name=a&content=", nullptr, nullptr},
      {"/getText?textCode=T1&origin=X", nullptr, nullptr},
      {"/readSignal?names=A&types=State;State", nullptr, nullptr},
      {"/sendQuery?query=&param=5", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    RequestDesc desc;
    desc.setRequest(QString::fromLatin1(c.target));
    std::unique_ptr<CommandHandlerBase> handler(factory->getCommandFromURL(desc));
    ASSERT_EQ(handler != nullptr, c.handler != nullptr) << c.target;
    if (handler) {
      EXPECT_EQ(typeid(*handler), *c.handler) << c.target;
      EXPECT_EQ(handler->getCommand(), c.command) << c.target;
    }
  }
}

TEST_F(FactoryTest, MasksOverTheStatesOfTheLatestInit) {
  load("");
  EXPECT_TRUE(contains(initLogged(),
                       "URLCommandFactory: [init]: The mask cannot be read from DM or the uri does "
                       "not contain them"));
  const std::string states =
      "<set key=\"data:/Auto/InternalOwner/UCEs/DEMO/States\"><integer name=\"B\">2</integer>"
      "<string name=\"S\">text</string><integer name=\"Bits\">6</integer>";
  load(states + "<integer name=\"A\">1</integer></set>");
  EXPECT_TRUE(
      contains(initLogged(), "URLCommandFactory: [getAllMaskFromDM()]: Error getting mask: S"));
  const std::pair<const wchar_t*, int> cases[] = {
      {L"(A == 1) && (B == 2)", 1},
      {L"Undefined == 1", 0},
      {L"Bits & 4", 4},
      {L"-7 / 2.0", -3},  // real results are truncated, not rounded
  };
  for (int round = 0; round < 2; ++round)
    for (const auto& [mask, value] : cases)
      EXPECT_EQ(factory->evaluateMask(ACE_WString(mask)), value) << round;

  // A broken mask is warned about once per text and cause, naming the item.
  StandinLog::startCapture();
  for (int round = 0; round < 3; ++round)
    EXPECT_EQ(factory->evaluateMask(ACE_WString(L"Nope == 1", 9), QStringLiteral("Door")), 0);
  int warnings = 0;
  for (const auto& r : StandinLog::takeCaptured())
    warnings += r.level == MakoraLog_Static::Warning &&
                r.message ==
                    "[evaluateMask()]: The mask of Door cannot work: 'Nope == 1': at "
                    "character 1: no variable named Nope";
  StandinLog::stopCapture();
  EXPECT_EQ(warnings, 1);

  load(states + "<integer name=\"A\">3</integer></set>");
  factory->init(QStringLiteral("DEMO"));
  EXPECT_EQ(factory->evaluateMask(ACE_WString(L"A == 1", 6)), 0);
  EXPECT_EQ(factory->evaluateMask(ACE_WString(L"A == 3", 6)), 1);
}

// A reload configures again while connection threads read the settings.
TEST_F(FactoryTest, InitRacesNoReaderOfItsSettings) {
  load("");
  factory->init(QStringLiteral("DEMO"));
  std::atomic<bool> done{false};
  std::thread reader([&] {
    long long characters = 0;
    do  // at least once: under load the inits may all end before this starts
      for (const QString& text : {factory->getEcuName(), factory->getGUIHtmlFolder()})
        for (const QChar c : text) characters += c.unicode() != 0;
    while (!done.load());
    EXPECT_GT(characters, 0);
  });
  for (int round = 0; round < 300; ++round)
    factory->init(QString::fromLatin1(round % 2 == 0 ? "DEMO" : "OTHER"));
  done = true;
  reader.join();
  factory->init(QStringLiteral("DEMO"));
  EXPECT_EQ(factory->getEcuName(), QStringLiteral("DEMO"));
}

}  // namespace
