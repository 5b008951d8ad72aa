// Warnings about names the page asks for that the ECU does not describe.
// Guards against: a far name suggested or a near one missed, a warning
// repeated or lost, an unbounded number of warnings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StandinLimits.h"
#include "StandinLog.h"
#include "UnknownNames.h"

namespace {

using Names = std::vector<std::string>;

TEST(UnknownNames, SuggestsTheClosestNamesOnly) {
  const Names known = {"DoorState", "PumpState", "SupplyVoltage", "VIN", "22F190", "22F1A0"};
  const struct {
    const char* name;
    Names expected;
  } rows[] = {
      {"doorstat", {"DoorState"}},       // case counts for nothing
      {"DoorSatte", {"DoorState"}},      // a swap is one edit
      {"22F1B0", {"22F190", "22F1A0"}},  // ties: every one, in the file's order
      {"Gear", {}},                      // nothing close: no guess
      {"", {}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(UnknownNames::closest(row.name, known), row.expected) << row.name;

  Names many;
  for (int i = 0; i < 10; ++i) many.push_back("Door" + std::to_string(i));
  EXPECT_EQ(UnknownNames::closest("DoorX", many).size(), standin_limits::kNameSuggestions);
}

TEST(UnknownNames, TheMessageNamesCommandEcuKindNameAndWhatToWrite) {
  const struct {
    Names known;
    Names elsewhere;
    std::string expected;
  } rows[] = {
      {{"DoorState"}, {}, "readSignal: ECU DEMO has no State DoorStat; did you mean DoorState?"},
      {{"DoorStatA", "DoorStatB", "DoorStatC"},
       {},
       "readSignal: ECU DEMO has no State DoorStat; did you mean DoorStatA, DoorStatB or "
       "DoorStatC?"},
      {{"Pump"}, {}, "readSignal: ECU DEMO has no State DoorStat"},
      {{},
       {"Parameter"},
       "readSignal: ECU DEMO has no State DoorStat; it has a Parameter DoorStat"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(
        UnknownNames::message("readSignal", "DEMO", "State", "DoorStat", row.known, row.elsewhere),
        row.expected);
}

TEST(UnknownNames, WarnsOncePerCommandKindAndNameUntilCleared) {
  StandinLog::setStderr(false);
  StandinLog::setLevel(MakoraLog_Static::Information);
  StandinLog::startCapture();
  UnknownNames unknown("DiagServices");
  const Names known = {"StartPump"};
  unknown.report("sendQuery", "DEMO", "command", "StartPmp", known);
  unknown.report("sendQuery", "DEMO", "command", "StartPmp", known);
  unknown.report("sendQuery", "DEMO", "raw frame", "StartPmp", known);
  unknown.report("readSignal", "DEMO", "command", "StartPmp", known);
  unknown.clear();
  unknown.report("sendQuery", "DEMO", "command", "StartPmp", known);
  // Past the cap one line says so, then nothing: a page asking for made-up names cannot fill
  // memory.
  for (std::size_t i = 0; i <= standin_limits::kUnknownNamesWarned + 5; ++i)
    unknown.report("sendQuery", "DEMO", "command", "X" + std::to_string(i), known);
  const std::vector<LogRecord> records = StandinLog::takeCaptured();
  StandinLog::stopCapture();
  StandinLog::setStderr(true);
  std::vector<std::string> lines;
  for (const LogRecord& record : records) {
    EXPECT_EQ(record.level, MakoraLog_Static::Warning);
    lines.push_back(record.message);
  }
  ASSERT_EQ(lines.size(), 4 + standin_limits::kUnknownNamesWarned);
  EXPECT_EQ(lines[0], "sendQuery: ECU DEMO has no command StartPmp; did you mean StartPump?");
  EXPECT_EQ(lines[1], "sendQuery: ECU DEMO has no raw frame StartPmp; did you mean StartPump?");
  EXPECT_EQ(lines[2], "readSignal: ECU DEMO has no command StartPmp; did you mean StartPump?");
  EXPECT_EQ(lines[3], lines[0]);
  EXPECT_NE(lines.back().find("no more such warnings until the next reload"), std::string::npos);
}

}  // namespace
