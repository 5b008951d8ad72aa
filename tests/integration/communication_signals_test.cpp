// readSignal and isApplicable over HTTP against the simulated brake ECU.
#include <gtest/gtest.h>

#include <memory>

#include "support/FtHost.h"

namespace {

const std::string kHeader =
    "HTTP/1.0 200 Ok\r\nContent-Type: text/html; charset=\"utf-8\"\r\n"
    "Access-Control-Allow-Origin: http://127.0.0.1\r\n\r\n";

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

class CommunicationSignals : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host = std::make_unique<FtHostProcess>();
    host->start(fixture());
  }
  static void TearDownTestSuite() { host.reset(); }
  void SetUp() override { ASSERT_TRUE(host->running()) << host->output() << host->log(); }

  static void expectBodies(const std::vector<BodyRow>& rows) {
    for (const BodyRow& row : rows)
      EXPECT_EQ(httpGet(host->port(), row.target), kHeader + row.body) << row.target;
  }

  static std::unique_ptr<FtHostProcess> host;
};

std::unique_ptr<FtHostProcess> CommunicationSignals::host;

TEST_F(CommunicationSignals, ReadSignalGivesRawAndDisplayFormPerItem) {
  expectBodies({
      {"/readSignal?names=PumpState;Foo;BatteryVoltage;VIN"
       "&types=State;Foo;Parameter;Identification",
       "0;Aus;;12.345000;12.35;VF1AB000000000001;VF1AB000000000001"},
      // No correspondance for 3: the raw value twice.
      {"/readSignal?names=Level&types=State", "3;3"},
      // No format, a format with trailing letters, a format without digits.
      {"/readSignal?names=Speed;Odd;Word&types=Parameter;Parameter;Parameter",
       "3.500000;4;1.500000;1.500;7.250000;7"},
      {"/readSignal?names=Owner&types=Identification",
       "J\xC3\xBCrgen \xC3\x98;J\xC3\xBCrgen \xC3\x98"},
      {"/readSignal?names=;Level;;Level;&types=State;;State", "3;3;3;3"},
      {"/readSignal?names=X;Y&types=Foo;state", ";"},
      {"/readSignal?names=;&types=;", ""},
  });
}

TEST_F(CommunicationSignals, AnyMissingValueMakesTheWholeAnswerUnknown) {
  expectBodies({
      {"/readSignal?names=PumpState;NoValue&types=State;State", "UNKNOWN"},
      {"/readSignal?names=Speed;NoValueP&types=Parameter;Parameter", "UNKNOWN"},
      {"/readSignal?names=VIN;NoVin&types=Identification;Identification", "UNKNOWN"},
      {"/readSignal?names=Level;Nope&types=State;State", "UNKNOWN"},
      // A known name under another kind is an unknown item of that kind.
      {"/readSignal?names=VIN&types=State", "UNKNOWN"},
  });
  EXPECT_GE(handlerLines(*host, "[signalResponseFromDM]: Error getting value for State: NoValue"),
            1u);
  EXPECT_GE(
      handlerLines(*host, "[signalResponseFromDM]: Error getting value for Parameter: NoValueP"),
      1u);
  EXPECT_GE(
      handlerLines(*host, "[signalResponseFromDM]: Error getting value for Identification: NoVin"),
      1u);
}

TEST_F(CommunicationSignals, IsApplicableFollowsMasksExactlyOne) {
  expectBodies({
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
  });
  EXPECT_GE(handlerLines(*host,
                         "[CommunicationHandler::isApplicable]:Data signal Owner from type "
                         "Identification."),
            1u);
}

TEST(CommunicationSignalsFresh, OnlyTheKindsAskedForAreRead) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(fixture())) << host.output();
  // Nothing was ever stored for states: reading them fails as a whole.
  EXPECT_EQ(httpGet(host.port(), "/readSignal?names=NoValue&types=State"), kHeader + "UNKNOWN");
  EXPECT_EQ(handlerLines(host,
                         "[signalResponseFromDM]: There are no states, parameters or "
                         "identification to be got from DM"),
            1u);
  // Still no states stored, but none are asked for.
  EXPECT_EQ(httpGet(host.port(), "/readSignal?names=VIN;Speed&types=Identification;Parameter"),
            kHeader + "VF1AB000000000001;VF1AB000000000001;3.500000;4");
}

}  // namespace
