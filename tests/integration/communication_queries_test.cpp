// sendQuery and sendRawQuery over HTTP against the simulated brake ECU, and
// what the diagnostic commands answer when the ECU or its services fail.
#include <gtest/gtest.h>

#include "support/FtHost.h"

namespace {

const std::string kHeader =
    "HTTP/1.0 200 Ok\r\nContent-Type: text/html; charset=\"utf-8\"\r\n"
    "Access-Control-Allow-Origin: http://127.0.0.1\r\n\r\n";
const std::string kNotFound = "HTTP/1.0 404 Not Found \r\n\r\n";

std::string fixture() {
  return ft_test::detail::readFile(FT_SOURCE_DIR "/tests/integration/fixtures/ecu.xml");
}

// Log lines of the handler carrying exactly this message.
size_t handlerLines(const FtHostProcess& host, const std::string& message) {
  return countLogLines(host.log(), "[CommunicationHandler] " + message);
}

struct BodyRow {
  const char* target;
  const char* body;
};

void expectBodies(const FtHostProcess& host, const std::vector<BodyRow>& rows) {
  for (const BodyRow& row : rows)
    EXPECT_EQ(httpGet(host.port(), row.target), kHeader + row.body) << row.target;
}

class CommunicationQueries : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.start(fixture())) << host.output() << host.log(); }
  FtHostProcess host;
};

TEST_F(CommunicationQueries, SendQueryAnswersTheStoredStatusOrTheRefusal) {
  expectBodies(host, {
                         {"/sendQuery?query=Seven", "7"},
                         {"/sendQuery?query=Bleed", "TIMEOUT"},
                         {"/sendQuery?query=Bleed&param=5", "TIMEOUT"},
                         {"/sendQuery?query=Unplugged&param=", "VCI DISCONNECTED"},
                         {"/sendQuery?query=Refused992", "TIMEOUT"},
                         {"/sendQuery?query=Refused979", "INVALID QUERY"},
                         {"/sendQuery?query=Refused14", "VCI DISCONNECTED"},
                         {"/sendQuery?query=Refused13", "INVALID QUERY"},
                         {"/sendQuery?query=Refused9", "INVALID QUERY"},
                         {"/sendQuery?query=RefusedOther", "UNKNOWN"},
                         // A positive refusal shows as its number, like a status.
                         {"/sendQuery?query=RefusedPositive", "3"},
                     });
  EXPECT_EQ(handlerLines(host,
                         "[CommunicationHandler::sendQuery]: Query has not been sent, error "
                         "status was returned from Diag Services: -979"),
            1u);
}

TEST_F(CommunicationQueries, CommandWithoutStoredStatusIsUnknown) {
  // No command has stored anything yet: the whole key is missing.
  expectBodies(host, {{"/sendQuery?query=NotListed", "UNKNOWN"}});
  EXPECT_EQ(handlerLines(host,
                         "[CommunicationHandler::sendQuery]: Cannot get the value for the command "
                         "status from the DataManager"),
            1u);
  // Now the key exists, without an entry for this command.
  expectBodies(host, {{"/sendQuery?query=Seven", "7"}, {"/sendQuery?query=NotListed", "UNKNOWN"}});
  EXPECT_EQ(handlerLines(host, "[sendQuery]: Error getting value for Command: NotListed"), 1u);
}

TEST_F(CommunicationQueries, CommandChangesWhatALaterReadSees) {
  expectBodies(host,
               {
                   {"/readSignal?names=PumpState;Speed&types=State;Parameter", "0;Aus;3.500000;4"},
                   {"/sendQuery?query=StartPump&param=", "0"},
                   // T_ON has no text: the correspondance's default text.
                   {"/readSignal?names=PumpState;Speed&types=State;Parameter", "1;On;-2.500000;-2"},
               });
}

TEST_F(CommunicationQueries, RawFrameAnswersTheResponseStoredForTheExactText) {
  expectBodies(host, {{"/sendRawQuery?query=22f190", "UNKNOWN"}});
  EXPECT_EQ(handlerLines(host, "[sendRawQuery]: Cannot get the value from the DataManager"), 1u);
  expectBodies(host, {
                         {"/sendRawQuery?query=22F190", "62F190564631"},
                         {"/sendRawQuery?query=22f190", "UNKNOWN"},
                         // Parameters arrive undecoded: %20 is part of the frame text.
                         {"/sendRawQuery?query=22F1%2090", "62F1"},
                         {"/sendRawQuery?query=3E00", "TIMEOUT"},
                         {"/sendRawQuery?query=3E01", "VCI DISCONNECTED"},
                     });
  EXPECT_EQ(handlerLines(host, "[sendRawQuery]: Error getting value for Raw Query: 22f190"), 1u);
  EXPECT_EQ(handlerLines(host,
                         "[sendRawQuery]: Query has not been sent, error status return from "
                         "Diag Services: -992"),
            1u);
}

TEST_F(CommunicationQueries, RejectedParametersGetTheNotFoundReply) {
  for (const char* target : {
           "/readSignal?names=A;B&types=State",
           "/readSignal?names=A",
           "/isApplicable?names=&types=State",
           "/sendQuery?param=5",
           "/sendQuery?query=&param=5",
           "/sendRawQuery?query=",
           "/retrieveInitialValue?names=PumpState&types=State",
       })
    EXPECT_EQ(httpGet(host.port(), target), kNotFound) << target;
}

struct RefusingEcu {
  const char* ecu;
  const char* word;
  int status;
};

void PrintTo(const RefusingEcu& row, std::ostream* out) {
  *out << row.ecu;
}

class CommunicationRefusingEcu : public ::testing::TestWithParam<RefusingEcu> {};

TEST_P(CommunicationRefusingEcu, EveryQueryAnswersTheRefusalWord) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(fixture(), {"--ecu", GetParam().ecu})) << host.output();
  const std::string word = GetParam().word;
  expectBodies(host, {
                         {"/readSignal?names=PumpState&types=State", word.c_str()},
                         {"/sendQuery?query=Seven", word.c_str()},
                         {"/sendRawQuery?query=22F190", word.c_str()},
                         // Descriptions need no query: the ECU describes no item.
                         {"/isApplicable?names=PumpState&types=State", "0"},
                     });
  EXPECT_EQ(handlerLines(host,
                         "[readSignal]: Query has not been sent, error status return from "
                         "Diag Services: " +
                             std::to_string(GetParam().status)),
            1u);
}

INSTANTIATE_TEST_SUITE_P(Ecus, CommunicationRefusingEcu,
                         ::testing::Values(RefusingEcu{"OFF", "VCI DISCONNECTED", -14},
                                           RefusingEcu{"SLOW", "TIMEOUT", -992}),
                         [](const auto& info) { return std::string(info.param.ecu); });

TEST(CommunicationWithoutDiagServices, CommandsReadWhatIsStoredAndReadsFail) {
  // The file does not describe GHOST, so the component gets no diagnostic services.
  FtHostProcess host;
  ASSERT_TRUE(host.start(fixture(), {"--ecu", "GHOST"})) << host.output();
  expectBodies(host, {
                         {"/sendQuery?query=Stored", "5"},
                         {"/sendQuery?query=Unplugged&param=1", "VCI DISCONNECTED"},
                         {"/sendQuery?query=Absent", "UNKNOWN"},
                         {"/sendRawQuery?query=22F190", "62F1"},
                         {"/readSignal?names=PumpState&types=State", "UNKNOWN"},
                         {"/isApplicable?names=PumpState&types=State", "0"},
                     });
  EXPECT_EQ(handlerLines(host, "[readSignal()]: Error obtaining Diag services"), 1u);
}

}  // namespace
