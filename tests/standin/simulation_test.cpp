// The simulated ECU over time, driven by a clock the test moves by hand.
#include <gtest/gtest.h>

#include "BSet.h"
#include "DRQuery.h"
#include "ID.h"
#include "SimulatedEcu.h"
#include "StandinDataManager.h"
#include "StandinDiagData.h"
#include "StandinDiagServices.h"
#include "StandinLimits.h"
#include "StandinLog.h"
#include "standin_test_util.h"

namespace {

using Kind = SimulatedEcu::Kind;
using Value = SimulatedEcu::Value;
using Behaviour = SimulationBehaviour;

Behaviour ramp(Kind kind, double from, double to, double step, long period, bool repeat = false) {
  Behaviour b;
  b.shape = Behaviour::Shape::Ramp;
  b.kind = kind;
  b.from = from;
  b.to = to;
  b.step = step;
  b.periodMs = period;
  b.repeat = repeat;
  return b;
}

Behaviour sequence(Kind kind, std::vector<Behaviour::Step> steps, bool repeat = false) {
  Behaviour b;
  b.shape = Behaviour::Shape::Sequence;
  b.kind = kind;
  b.steps = std::move(steps);
  b.repeat = repeat;
  return b;
}

TEST(SimulationBehaviour, ValuesOverTime) {
  struct Row {
    const char* what;
    Behaviour behaviour;
    std::vector<std::pair<long, Value>> values;  // elapsed ms, value then
    std::optional<long> length;
  };
  const Row rows[] = {
      {"state ramp up",
       ramp(Kind::State, 0, 100, 25, 100),
       {{0, 0L}, {99, 0L}, {100, 25L}, {399, 75L}, {400, 100L}, {100000, 100L}},
       400},
      {"ramp down with a short last step",
       ramp(Kind::Parameter, 10, 0, 4, 10),
       {{0, 10.0}, {10, 6.0}, {20, 2.0}, {29, 2.0}, {30, 0.0}},
       30},
      {"tenths reach the end exactly", ramp(Kind::Parameter, 0, 1, 0.1, 1), {{10, 1.0}}, 10},
      // 2^63 - 1 as a double is 2^63, which no long holds.
      {"a state ramp to the largest value",
       ramp(Kind::State, 0, 9223372036854775807.0, 4611686018427387904.0, 1),
       {{1, 4611686018427387904L}, {2, 9223372036854775807L}},
       2},
      {"repeating ramp starts over after its last value",
       ramp(Kind::State, 0, 2, 1, 10, true),
       {{0, 0L}, {10, 1L}, {29, 2L}, {30, 0L}, {45, 1L}},
       std::nullopt},
      {"sequence keeps its last value",
       sequence(Kind::State, {{1L, 100}, {2L, 50}}),
       {{0, 1L}, {99, 1L}, {100, 2L}, {149, 2L}, {5000, 2L}},
       150},
      {"texts",
       sequence(Kind::Identification, {{std::wstring(L"A"), 5}, {std::wstring(L"B"), 5}}),
       {{4, std::wstring(L"A")}, {5, std::wstring(L"B")}},
       10},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (const auto& [elapsed, value] : row.values)
      EXPECT_EQ(row.behaviour.valueAt(elapsed), value) << "at " << elapsed;
    EXPECT_EQ(row.behaviour.length(), row.length);
  }
}

// "Open window": the command takes its time, sets the state to moving, starts
// the position ramp; the ramp's end sets the state to open.
SimulatedEcu::Description window() {
  SimulatedEcu::Description d;
  d.states[L"Window"] = 0;
  d.parameters[L"Position"] = 0;
  Behaviour opening = ramp(Kind::Parameter, 0, 100, 50, 100);
  opening.startedBy = L"Open";
  opening.atEnd.push_back({Kind::State, L"Window", 2L});
  d.behaviours[{Kind::Parameter, L"Position"}] = opening;
  d.behaviours[{Kind::State, L"Blink"}] = sequence(Kind::State, {{0L, 10}, {1L, 10}}, true);
  SimulatedEcu::Command open;
  open.assignments.push_back({Kind::State, L"Window", 1L});
  open.delayMs = 200;
  d.commands[L"Open"] = open;
  return d;
}

class LiveEcu : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinLog::setStderr(false);
    services.setClock(clock);
    services.setSimulation(window());
  }
  void TearDown() override { StandinLog::setStderr(true); }

  DRQuery query(const std::string& type, const std::string& items) {
    DRQuery q;
    q.setXML(wide("<Query requestType=\"" + type + "\"><EcuDataSet name=\"SIM\">" + items +
                  "</EcuDataSet></Query>"));
    return q;
  }
  // Reads Window, Position and Blink: "Window=1 Position=50.0 Blink=0", as stored.
  std::string read() {
    EXPECT_EQ(services.executeQuery(query("read",
                                          "<State name=\"Window\"/><Parameter "
                                          "name=\"Position\"/><State name=\"Blink\"/>")),
              0);
    BSet states, parameters;
    data.readSet(ID("data:/Auto/UCEs/SIM/States"), states);
    data.readSet(ID("data:/Auto/UCEs/SIM/Parameters"), parameters);
    long window = -1, blink = -1;
    double position = -1;
    states.getInt(L"Window", window);
    states.getInt(L"Blink", blink);
    parameters.getFloat(L"Position", position);
    char text[64];
    std::snprintf(text, sizeof text, "Window=%ld Position=%.1f Blink=%ld", window, position, blink);
    return text;
  }
  int run(const std::string& command) {
    return services.executeQuery(query("command", "<Command name=\"" + command + "\"/>"));
  }

  ManualClock clock{1000};
  StandinDataManager data;
  StandinDiagData descriptions;
  StandinDiagServices services{"SIM", data, descriptions};
};

TEST_F(LiveEcu, ACommandStartsARampThatEndsWithASet) {
  struct Step {
    std::function<void()> act;
    long now;  // the clock afterwards
    std::string seen;
  };
  const Step steps[] = {
      {[] {}, 1000, "Window=0 Position=0.0 Blink=0"},
      {[&] { clock.advance(10); }, 1010, "Window=0 Position=0.0 Blink=1"},
      // The command's delay passes before its answer; the ramp starts then.
      {[&] { EXPECT_EQ(run("Open"), 0); }, 1210, "Window=1 Position=0.0 Blink=1"},
      {[&] { clock.advance(100); }, 1310, "Window=1 Position=50.0 Blink=1"},
      {[&] { clock.advance(100); }, 1410, "Window=2 Position=100.0 Blink=1"},
      // A value set by hand stops the behaviour; the command starts it over.
      {[&] {
         services.change([](SimulatedEcu& e, long now) {
           e.setValue({Kind::Parameter, L"Position"}, 7.0, now);
         });
       },
       1410, "Window=2 Position=7.0 Blink=1"},
      {[&] { clock.advance(500); }, 1910, "Window=2 Position=7.0 Blink=1"},
      {[&] { EXPECT_EQ(run("Open"), 0); }, 2110, "Window=1 Position=0.0 Blink=1"},
      {[&] { services.reset(); }, 2110, "Window=0 Position=0.0 Blink=0"},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_EQ(clock.now(), step.now);
    EXPECT_EQ(read(), step.seen) << "at " << clock.now();
  }
}

TEST_F(LiveEcu, RefusalsAndSilenceWaitTheirDelayAndStoreNothing) {
  using Answer = SimulatedEcu::Answer;
  const struct {
    Answer ecu, command;
    int status;
    long waited;
  } rows[] = {
      {{}, {-14, false, 200}, -14, 200},
      {{}, {{}, true, 0}, StandinDiagServices::kTimeout, standin_limits::kNoAnswerWaitMs},
      {{-979, false, 300}, {{}, true, 0}, -979, 300},  // the ECU's refusal comes first
  };
  for (const auto& row : rows) {
    services.reset();
    services.change([&](SimulatedEcu& e, long) {
      e.setEcuAnswer(row.ecu);
      e.setCommandAnswer(L"Open", row.command);
    });
    const long before = clock.now();
    EXPECT_EQ(run("Open"), row.status) << row.waited;
    EXPECT_EQ(clock.now() - before, row.waited);
    services.change([](SimulatedEcu& e, long) { e.setEcuAnswer({}); });
    EXPECT_EQ(read().substr(0, 8), "Window=0") << row.waited;
  }
}

}  // namespace
