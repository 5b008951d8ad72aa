// The diagnostic commands over HTTP against the simulated brake ECU, and what
// they answer when the ECU or its services fail.
// Guards against: a display form or status word changed, one missing value
// not making the whole answer unknown, a mask not exactly 1 taken as
// applicable, a failure answered as a success.
#include <gtest/gtest.h>

#include "support/ft_host.h"

namespace {

struct Scenario {
  const char* name;
  std::vector<std::string> options;
  // Asked in turn of one fresh ft-host: {target, body of the 200 reply}.
  std::vector<std::pair<std::string, std::string>> replies;
  std::vector<std::string> loggedOnce;  // by the handler, each exactly once
};

TEST(Communication, RepliesPerScenario) {
  const Scenario scenarios[] = {
      {"display forms",
       {},
       {
           {"/readSignal?names=PumpState;Foo;BatteryVoltage;VIN"
            "&types=State;Foo;Parameter;Identification",
            "0;Aus;;12.345000;12.35;VF1AB000000000001;VF1AB000000000001"},
           {"/readSignal?names=Level&types=State", "3;3"},  // no correspondance for 3
           {"/readSignal?names=Speed;Odd&types=Parameter;Parameter", "3.500000;4;1.500000;1.500"},
           {"/readSignal?names=;Level;;Level;&types=State;;State", "3;3;3;3"},
           {"/readSignal?names=;&types=;", ""},
       },
       {}},
      {"any missing value makes the whole answer unknown",
       {},
       {
           {"/readSignal?names=NoValue&types=State", "UNKNOWN"},  // no state stored at all
           {"/readSignal?names=VIN;Speed&types=Identification;Parameter",
            "VF1AB000000000001;VF1AB000000000001;3.500000;4"},
           {"/readSignal?names=PumpState;NoValue&types=State;State", "UNKNOWN"},
           {"/readSignal?names=Speed;NoValueP&types=Parameter;Parameter", "UNKNOWN"},
           {"/readSignal?names=VIN&types=State", "UNKNOWN"},  // a known name of another kind
       },
       {"[signalResponseFromDM]: There are no states, parameters or identification to be got "
        "from DM",
        "[signalResponseFromDM]: Error getting value for State: NoValue",
        "[signalResponseFromDM]: Error getting value for Parameter: NoValueP"}},
      {"masks: applicable only when exactly 1",
       {},
       {
           {"/isApplicable?names=PumpState&types=State", "1"},
           {"/isApplicable?names=Hidden&types=State", "0"},
           {"/isApplicable?names=Numeric&types=State", "0"},  // Options & 4 is 4
           {"/isApplicable?names=Broken&types=State", "0"},
           {"/isApplicable?names=Speed&types=Parameter", "1"},  // no mask
           {"/isApplicable?names=Nope&types=State", "0"},
           {"/isApplicable?names=PumpState;X;Hidden;Owner&types=State;Foo;State;Identification",
            "1;;0;1"},
       },
       {}},
      {"commands: the stored status or the refusal, and what later reads see",
       {},
       {
           {"/sendQuery?query=NotListed", "UNKNOWN"},  // nothing stored: no key at all
           {"/sendQuery?query=Seven", "7"},
           {"/sendQuery?query=NotListed", "UNKNOWN"},  // the key, without this entry
           {"/sendQuery?query=Bleed", "TIMEOUT"},
           {"/sendQuery?query=Refused979", "INVALID QUERY"},
           {"/sendQuery?query=RefusedPositive", "3"},  // shown as its number
           {"/readSignal?names=PumpState;Speed&types=State;Parameter", "0;Aus;3.500000;4"},
           {"/sendQuery?query=StartPump&param=", "0"},
           // T_ON has no text: the correspondance's default text.
           {"/readSignal?names=PumpState;Speed&types=State;Parameter", "1;On;-2.500000;-2"},
       },
       {"[CommunicationHandler::sendQuery]: Cannot get the value for the command status from "
        "the DataManager",
        "[sendQuery]: Error getting value for Command: NotListed",
        "[CommunicationHandler::sendQuery]: Query has not been sent, error status was returned "
        "from Diag Services: -979"}},
      {"raw frames: the response stored for the exact text",
       {},
       {
           {"/sendRawQuery?query=22f190", "UNKNOWN"},  // nothing stored yet
           {"/sendRawQuery?query=22F190", "62F190564631"},
           {"/sendRawQuery?query=22f190", "UNKNOWN"},
           {"/sendRawQuery?query=22F1%2090", "62F1"},  // parameters arrive undecoded
           {"/sendRawQuery?query=3E00", "TIMEOUT"},
       },
       {"[sendRawQuery]: Cannot get the value from the DataManager",
        "[sendRawQuery]: Error getting value for Raw Query: 22f190",
        "[sendRawQuery]: Query has not been sent, error status return from Diag Services: -992"}},
      {"an ECU that refuses everything; descriptions need no query",
       {"--ecu", "OFF"},
       {
           {"/readSignal?names=PumpState&types=State", "VCI DISCONNECTED"},
           {"/sendRawQuery?query=22F190", "VCI DISCONNECTED"},
           {"/isApplicable?names=PumpState&types=State", "0"},
       },
       {"[readSignal]: Query has not been sent, error status return from Diag Services: -14"}},
      {"no diagnostic services: commands read what is stored, reads fail",
       {"--ecu", "GHOST"},  // not described by the file
       {
           {"/sendQuery?query=Stored", "5"},
           {"/sendQuery?query=Unplugged&param=1", "VCI DISCONNECTED"},
           {"/sendRawQuery?query=22F190", "62F1"},
           {"/readSignal?names=PumpState&types=State", "UNKNOWN"},
           {"/isApplicable?names=PumpState&types=State", "0"},
       },
       {"[readSignal()]: Error obtaining Diag services"}},
  };
  const std::string fixture = detail::readFile(FT_SOURCE_DIR "/tests/integration/fixtures/ecu.xml");
  for (const Scenario& scenario : scenarios) {
    SCOPED_TRACE(scenario.name);
    FtHostProcess host;
    ASSERT_TRUE(host.start(fixture, scenario.options)) << host.output() << host.log();
    for (const auto& [target, body] : scenario.replies)
      EXPECT_EQ(httpGet(host.port(), target), kHtml + body) << target;
    for (const std::string& message : scenario.loggedOnce)
      EXPECT_EQ(countLogLines(host.log(), "[CommunicationHandler] " + message), 1u) << message;
  }
}

}  // namespace
