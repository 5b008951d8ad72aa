// The diagnostic commands over HTTP against the simulated brake ECU, and what
// they answer when the ECU or its services fail.
#include <gtest/gtest.h>

#include "support/FtHost.h"

namespace {

std::string fixture() {
  return detail::readFile(FT_SOURCE_DIR "/tests/integration/fixtures/ecu.xml");
}

struct Row {
  std::string target;
  std::string body;
};

// Asks for each target in turn, then checks that the handler logged each
// message exactly once.
void expectReplies(const FtHostProcess& host, const std::vector<Row>& rows,
                   const std::vector<std::string>& loggedOnce = {}) {
  for (const Row& row : rows)
    EXPECT_EQ(httpGet(host.port(), row.target), kHtml + row.body) << row.target;
  for (const std::string& message : loggedOnce)
    EXPECT_EQ(countLogLines(host.log(), "[CommunicationHandler] " + message), 1u) << message;
}

class Communication : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.start(fixture())) << host.output() << host.log(); }
  void expect(const std::vector<Row>& rows, const std::vector<std::string>& loggedOnce = {}) {
    expectReplies(host, rows, loggedOnce);
  }
  FtHostProcess host;
};

TEST_F(Communication, ReadSignalGivesRawAndDisplayFormPerItem) {
  expect({
      {"/readSignal?names=PumpState;Foo;BatteryVoltage;VIN"
       "&types=State;Foo;Parameter;Identification",
       "0;Aus;;12.345000;12.35;VF1AB000000000001;VF1AB000000000001"},
      // No correspondance for 3: the raw value twice.
      {"/readSignal?names=Level&types=State", "3;3"},
      // No format, three decimals.
      {"/readSignal?names=Speed;Odd&types=Parameter;Parameter", "3.500000;4;1.500000;1.500"},
      {"/readSignal?names=Owner&types=Identification",
       "J\xC3\xBCrgen \xC3\x98;J\xC3\xBCrgen \xC3\x98"},
      {"/readSignal?names=;Level;;Level;&types=State;;State", "3;3;3;3"},
      {"/readSignal?names=X;Y&types=Foo;state", ";"},
      {"/readSignal?names=;&types=;", ""},
  });
}

TEST_F(Communication, AnyMissingValueMakesTheWholeAnswerUnknown) {
  expect(
      {
          {"/readSignal?names=PumpState;NoValue&types=State;State", "UNKNOWN"},
          {"/readSignal?names=Speed;NoValueP&types=Parameter;Parameter", "UNKNOWN"},
          {"/readSignal?names=VIN;NoVin&types=Identification;Identification", "UNKNOWN"},
          // A known name under another kind is an unknown item of that kind.
          {"/readSignal?names=VIN&types=State", "UNKNOWN"},
      },
      {"[signalResponseFromDM]: Error getting value for State: NoValue",
       "[signalResponseFromDM]: Error getting value for Parameter: NoValueP",
       "[signalResponseFromDM]: Error getting value for Identification: NoVin"});
}

TEST_F(Communication, OnlyTheKindsAskedForAreRead) {
  expect(
      {
          // Nothing was ever stored for states: reading them fails as a whole.
          {"/readSignal?names=NoValue&types=State", "UNKNOWN"},
          // Still no states stored, but none are asked for.
          {"/readSignal?names=VIN;Speed&types=Identification;Parameter",
           "VF1AB000000000001;VF1AB000000000001;3.500000;4"},
      },
      {"[signalResponseFromDM]: There are no states, parameters or identification to be got "
       "from DM"});
}

TEST_F(Communication, IsApplicableFollowsMasksExactlyOne) {
  expect(
      {
          {"/isApplicable?names=PumpState&types=State", "1"},  // true
          {"/isApplicable?names=Hidden&types=State", "0"},     // false
          {"/isApplicable?names=Numeric&types=State", "0"},    // Options & 4 is 4, not 1
          {"/isApplicable?names=Undefined&types=State", "0"},  // undefined variable
          {"/isApplicable?names=Broken&types=State", "0"},     // syntax error
          {"/isApplicable?names=Speed&types=Parameter", "1"},  // no mask
          {"/isApplicable?names=VIN&types=Identification", "1"},
          {"/isApplicable?names=Nope&types=State", "0"},  // unknown item
          {"/isApplicable?names=VIN&types=Parameter", "0"},
          {"/isApplicable?names=PumpState;X;Hidden;Owner&types=State;Foo;State;Identification",
           "1;;0;1"},
          // The cached tree of a mask answers the same again.
          {"/isApplicable?names=PumpState;Numeric&types=State;State", "1;0"},
      },
      {"[CommunicationHandler::isApplicable]:Data signal Owner from type Identification."});
}

TEST_F(Communication, SendQueryAnswersTheStoredStatusOrTheRefusal) {
  expect(
      {
          // No command has stored anything yet: the whole key is missing.
          {"/sendQuery?query=NotListed", "UNKNOWN"},
          {"/sendQuery?query=Seven", "7"},
          // Now the key exists, without an entry for this command.
          {"/sendQuery?query=NotListed", "UNKNOWN"},
          {"/sendQuery?query=Bleed", "TIMEOUT"},
          {"/sendQuery?query=Bleed&param=5", "TIMEOUT"},
          {"/sendQuery?query=Unplugged&param=", "VCI DISCONNECTED"},
          {"/sendQuery?query=Refused979", "INVALID QUERY"},
          // A positive refusal shows as its number, like a status.
          {"/sendQuery?query=RefusedPositive", "3"},
      },
      {"[CommunicationHandler::sendQuery]: Cannot get the value for the command status from the "
       "DataManager",
       "[sendQuery]: Error getting value for Command: NotListed",
       "[CommunicationHandler::sendQuery]: Query has not been sent, error status was returned "
       "from Diag Services: -979"});
}

TEST_F(Communication, CommandChangesWhatALaterReadSees) {
  expect({
      {"/readSignal?names=PumpState;Speed&types=State;Parameter", "0;Aus;3.500000;4"},
      {"/sendQuery?query=StartPump&param=", "0"},
      // T_ON has no text: the correspondance's default text.
      {"/readSignal?names=PumpState;Speed&types=State;Parameter", "1;On;-2.500000;-2"},
  });
}

TEST_F(Communication, RawFrameAnswersTheResponseStoredForTheExactText) {
  expect(
      {
          {"/sendRawQuery?query=22f190", "UNKNOWN"},  // nothing stored yet
          {"/sendRawQuery?query=22F190", "62F190564631"},
          {"/sendRawQuery?query=22f190", "UNKNOWN"},
          // Parameters arrive undecoded: %20 is part of the frame text.
          {"/sendRawQuery?query=22F1%2090", "62F1"},
          {"/sendRawQuery?query=3E00", "TIMEOUT"},
          {"/sendRawQuery?query=3E01", "VCI DISCONNECTED"},
      },
      {"[sendRawQuery]: Cannot get the value from the DataManager",
       "[sendRawQuery]: Error getting value for Raw Query: 22f190",
       "[sendRawQuery]: Query has not been sent, error status return from Diag Services: -992"});
}

TEST_F(Communication, RejectedParametersGetTheNotFoundReply) {
  for (const char* target : {"/readSignal?names=A;B&types=State", "/readSignal?names=A",
                             "/isApplicable?names=&types=State", "/sendQuery?param=5",
                             "/sendQuery?query=&param=5", "/sendRawQuery?query="})
    EXPECT_EQ(httpGet(host.port(), target), k404) << target;
}

TEST(CommunicationFailingEcu, QueriesAnswerTheRefusal) {
  const struct {
    const char* ecu;
    std::string word;
    const char* status;
  } rows[] = {{"OFF", "VCI DISCONNECTED", "-14"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ecu);
    FtHostProcess host;
    ASSERT_TRUE(host.start(fixture(), {"--ecu", row.ecu})) << host.output();
    expectReplies(host,
                  {
                      {"/readSignal?names=PumpState&types=State", row.word},
                      {"/sendQuery?query=Seven", row.word},
                      {"/sendRawQuery?query=22F190", row.word},
                      // Descriptions need no query: the ECU describes no item.
                      {"/isApplicable?names=PumpState&types=State", "0"},
                  },
                  {std::string("[readSignal]: Query has not been sent, error status return from "
                               "Diag Services: ") +
                   row.status});
  }
}

TEST(CommunicationFailingEcu, WithoutDiagServicesCommandsReadWhatIsStoredAndReadsFail) {
  // The file does not describe GHOST, so the component gets no diagnostic services.
  FtHostProcess host;
  ASSERT_TRUE(host.start(fixture(), {"--ecu", "GHOST"})) << host.output();
  expectReplies(host,
                {
                    {"/sendQuery?query=Stored", "5"},
                    {"/sendQuery?query=Unplugged&param=1", "VCI DISCONNECTED"},
                    {"/sendQuery?query=Absent", "UNKNOWN"},
                    {"/sendRawQuery?query=22F190", "62F1"},
                    {"/readSignal?names=PumpState&types=State", "UNKNOWN"},
                    {"/isApplicable?names=PumpState&types=State", "0"},
                },
                {"[readSignal()]: Error obtaining Diag services"});
}

}  // namespace
