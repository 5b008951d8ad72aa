// The simulated ECU: what each query stores in the data manager, what it
// refuses, and that concurrent queries leave consistent values.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "DRQuery.h"
#include "StandinComponentManager.h"
#include "StandinDataManager.h"
#include "StandinDiagServices.h"
#include "StandinHost.h"
#include "StandinLog.h"

namespace {

const char kEcuFile[] = R"(<host ecu="DEMO">
  <ecu name="DEMO">
    <state name="Pump" value="0"/>
    <state name="Gear"/>
    <parameter name="Volt" value="12.6"/>
    <identification name="VIN" value="VF1 &lt;x&gt;"/>
    <command name="Start" status="0">
      <set state="Pump" value="1"/>
      <set parameter="Volt" value="-3.5"/>
      <set identification="VIN" value="NEW"/>
    </command>
    <command name="Stop"><set state="Pump" value="0"/></command>
    <command name="Slow" status="-992"/>
    <command name="Broken" refuse="-14"><set state="Pump" value="9"/></command>
    <command name="GearUp"><set state="Gear" value="3"/></command>
    <rawframe request="22F190" response="62f190564631"/>
    <rawframe request="22 F1 90" refuse="-979"/>
  </ecu>
  <ecu name="DEAD" refuse="-14">
    <state name="Pump" value="0"/>
    <command name="Start"/>
  </ecu>
</host>)";

ACE_WString w(const std::string& text) {
  std::wstring wide(text.begin(), text.end());
  return ACE_WString(wide.c_str(), wide.size());
}

std::string narrow(const ACE_WString& text) {
  std::string out;
  for (size_t i = 0; i < text.length(); ++i) out += static_cast<char>(text[i]);
  return out;
}

DRQuery queryOf(const std::string& type, const DREcuDataSet& dataSet) {
  DRQuery query;
  query.setXML(L"<Query/>");
  query.set_name(L"EP");
  query.set_queryId(L"T/1");
  query.set_sleepTimer(L"0");
  query.set_requestType(w(type));
  query.set_refresh(L"once");
  query.set_synchronous(L"true");
  query.insert_EcuDataSet(dataSet);
  return query;
}

DREcuDataSet dataSetOf(const std::string& ecu) {
  DREcuDataSet set;
  set.setXML(L"<EcuDataSet/>");
  set.set_name(w(ecu));
  return set;
}

DRQuery readQuery(const std::string& ecu,
                  const std::vector<std::pair<std::string, std::string>>& items) {
  DREcuDataSet set = dataSetOf(ecu);
  for (const auto& [kind, name] : items) {
    if (kind == "State") {
      DRState state;
      state.setXML(L"<State/>");
      state.set_name(w(name));
      set.insert_State(state);
    } else if (kind == "Parameter") {
      DRParameter parameter;
      parameter.setXML(L"<Parameter/>");
      parameter.set_name(w(name));
      set.insert_Parameter(parameter);
    } else {
      DRIdentification identification;
      identification.setXML(L"<Identification/>");
      identification.set_name(w(name));
      set.insert_Identification(identification);
    }
  }
  return queryOf("read", set);
}

DRQuery commandQuery(const std::string& ecu, const std::string& name, const std::string& input) {
  DREcuDataSet set = dataSetOf(ecu);
  DRCommand command;
  command.setXML(L"<Command/>");
  command.set_name(w(name));
  if (!input.empty()) {
    DRInputList inputs;
    inputs.setXML(L"<InputList/>");
    DRInputData data;
    data.setXML(L"<InputData/>");
    data.set_value(w(input));
    inputs.insert_InputData(data);
    command.set_InputList(inputs);
  }
  set.insert_Command(command);
  return queryOf("command", set);
}

DRQuery rawQuery(const std::string& ecu, const std::string& frame) {
  BDomData simple, response, request, start, service;
  simple.setXML(L"<Simple/>");
  simple.setAttributeValue(L"val", L"");
  response.setXML(L"<Response/>");
  response.insertElement(simple);
  request.setXML(L"<Request/>");
  request.setAttributeValue(L"val", w(frame));
  start.setXML(L"<Start/>");
  start.insertElement(request);
  start.insertElement(response);
  service.setXML(L"<Service/>");
  service.setAttributeValue(L"delay", L"0");
  service.setAttributeValue(L"mode", L"1");
  service.insertElement(start);
  DREcuDataSet set = dataSetOf(ecu);
  set.insertElement(service);
  return queryOf("rawframe", set);
}

class SimulationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinLog::setStderr(false);
    host.clear();
    std::string error;
    ASSERT_TRUE(host.loadText(kEcuFile, error)) << error;
  }
  void TearDown() override {
    host.clear();
    StandinLog::setStderr(true);
  }

  IDiagServices& services(const std::string& ecu) {
    IDiagServices* found = nullptr;
    EXPECT_EQ(StandinComponentManager::instance().getComponent(
                  ID(w("diagServices:DiagServices?EcuDiag#" + ecu)), &found),
              0);
    return *found;
  }

  // The entries stored under data:/Auto/UCEs/DEMO/<kind>, printed as name=value;...
  std::string stored(const std::string& kind, const std::string& ecu = "DEMO") {
    BSet set;
    if (host.dataManager().readSet(ID(w("data:/Auto/UCEs/" + ecu + "/" + kind)), set) != 0)
      return "(absent)";
    std::string out;
    StringSet names = set.getAllKeys();
    for (int i = 0; i < names.length(); ++i) {
      ACE_WString name, text;
      names.getAt(i, name);
      long integer = 0;
      double real = 0;
      BByteArray bytes;
      std::string value;
      if (set.getInt(name, integer) == 0)
        value = std::to_string(integer);
      else if (set.getFloat(name, real) == 0)
        value = std::to_string(real);
      else if (set.getString(name, text) == 0)
        value = "'" + narrow(text) + "'";
      else if (set.getByteArray(name, bytes) == 0 && bytes.getString(text) == 0)
        value = "0x" + narrow(text);
      out += (out.empty() ? "" : ";") + narrow(name) + "=" + value;
    }
    return out;
  }

  StandinHost& host = StandinHost::instance();
};

struct QueryRow {
  const char* what;
  DRQuery query;
  int status;
  const char* kind;      // the key below data:/Auto/UCEs/DEMO/ to look at afterwards
  const char* expected;  // its entries
};

TEST_F(SimulationTest, EachQueryStoresWhatTheEcuLists) {
  const QueryRow rows[] = {
      {"read of every kind", readQuery("DEMO", {{"State", "Pump"}}), 0, "States", "Pump=0"},
      {"parameter", readQuery("DEMO", {{"Parameter", "Volt"}}), 0, "Parameters", "Volt=12.600000"},
      {"identification, escaped in the file", readQuery("DEMO", {{"Identification", "VIN"}}), 0,
       "Identifications", "VIN='VF1 <x>'"},
      {"item without a value", readQuery("DEMO", {{"State", "Gear"}}), 0, "States", "Pump=0"},
      {"unlisted item, or one of another kind",
       readQuery("DEMO", {{"State", "Nope"}, {"State", "Volt"}}), 0, "States", "Pump=0"},
      {"command with its status", commandQuery("DEMO", "Slow", ""), 0, "Commands", "Slow=-992"},
      {"command with an input", commandQuery("DEMO", "Start", "5"), 0, "Commands",
       "Slow=-992;Start=0"},
      {"refused command", commandQuery("DEMO", "Broken", ""), -14, "Commands", "Slow=-992;Start=0"},
      {"unlisted command", commandQuery("DEMO", "Nope", ""), 0, "Commands", "Slow=-992;Start=0"},
      {"raw frame, hex in upper case", rawQuery("DEMO", "22F190"), 0, "RawFrames",
       "22F190=0x62F190564631"},
      {"the same frame written otherwise", rawQuery("DEMO", "22f190"), 0, "RawFrames",
       "22F190=0x62F190564631"},
      {"refused frame", rawQuery("DEMO", "22 F1 90"), -979, "RawFrames", "22F190=0x62F190564631"},
      {"data set of another ECU", readQuery("OTHER", {{"State", "Pump"}}), 0, "States", "Pump=0"},
      {"unknown request type", queryOf("write", dataSetOf("DEMO")),
       StandinDiagServices::kInvalidQuery, "States", "Pump=0"},
  };
  for (const QueryRow& row : rows) {
    EXPECT_EQ(services("DEMO").executeQuery(row.query), row.status) << row.what;
    EXPECT_EQ(stored(row.kind), row.expected) << row.what;
  }
}

TEST_F(SimulationTest, NothingIsStoredBeforeAQueryNamesIt) {
  EXPECT_EQ(services("DEMO").executeQuery(readQuery("DEMO", {{"State", "Gear"}})), 0);
  EXPECT_EQ(stored("States"), "(absent)");
  EXPECT_EQ(services("DEMO").executeQuery(rawQuery("DEMO", "1001")), 0);
  EXPECT_EQ(stored("RawFrames"), "(absent)");
}

TEST_F(SimulationTest, CommandsChangeWhatLaterReadsSee) {
  IDiagServices& demo = services("DEMO");
  const DRQuery readAll = readQuery(
      "DEMO",
      {{"State", "Pump"}, {"State", "Gear"}, {"Parameter", "Volt"}, {"Identification", "VIN"}});

  ASSERT_EQ(demo.executeQuery(commandQuery("DEMO", "Broken", "")), -14);
  ASSERT_EQ(demo.executeQuery(readAll), 0);
  EXPECT_EQ(stored("States") + "|" + stored("Parameters") + "|" + stored("Identifications"),
            "Pump=0|Volt=12.600000|VIN='VF1 <x>'");

  ASSERT_EQ(demo.executeQuery(commandQuery("DEMO", "Start", "")), 0);
  ASSERT_EQ(demo.executeQuery(commandQuery("DEMO", "GearUp", "")), 0);
  // The command alone changes nothing stored for the items...
  EXPECT_EQ(stored("States"), "Pump=0");
  ASSERT_EQ(demo.executeQuery(readAll), 0);
  // ...the next read does; an item without a value got one.
  EXPECT_EQ(stored("States") + "|" + stored("Parameters") + "|" + stored("Identifications"),
            "Pump=1;Gear=3|Volt=-3.500000|VIN='NEW'");

  // A reload starts the simulation afresh.
  std::string error;
  ASSERT_TRUE(host.loadText(kEcuFile, error)) << error;
  ASSERT_EQ(demo.executeQuery(readAll), 0);
  EXPECT_EQ(stored("States"), "Pump=0");
}

TEST_F(SimulationTest, ARefusingEcuRefusesEveryQueryAndStoresNothing) {
  IDiagServices& dead = services("DEAD");
  EXPECT_EQ(dead.executeQuery(readQuery("DEAD", {{"State", "Pump"}})), -14);
  EXPECT_EQ(dead.executeQuery(commandQuery("DEAD", "Start", "")), -14);
  EXPECT_EQ(dead.executeQuery(rawQuery("DEAD", "22F190")), -14);
  for (const char* kind : {"States", "Commands", "RawFrames"})
    EXPECT_EQ(stored(kind, "DEAD"), "(absent)") << kind;
}

TEST_F(SimulationTest, EachQueryIsLoggedOnce) {
  StandinLog::startCapture();
  services("DEMO").executeQuery(commandQuery("DEMO", "Slow", ""));
  services("DEMO").executeQuery(readQuery("DEMO", {{"State", "Pump"}, {"Parameter", "Volt"}}));
  std::vector<std::string> lines;
  const std::vector<LogRecord> records = StandinLog::takeCaptured();
  StandinLog::stopCapture();
  for (const LogRecord& record : records)
    if (record.className == "DiagServices" && record.level == MakoraLog_Static::Information)
      lines.push_back(record.message);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "[DiagServices::executeQuery]: ECU DEMO, command query T/1: status 0, 1 "
                       "value(s) stored.",
                       "[DiagServices::executeQuery]: ECU DEMO, read query T/1: status 0, 2 "
                       "value(s) stored."}));
}

// Start and Stop race with reads: every stored pump state must be one the
// commands set, and the last command decides the final value.
TEST_F(SimulationTest, ConcurrentQueriesKeepValuesConsistent) {
  IDiagServices& demo = services("DEMO");
  const DRQuery start = commandQuery("DEMO", "Start", "");
  const DRQuery stop = commandQuery("DEMO", "Stop", "");
  const DRQuery read = readQuery("DEMO", {{"State", "Pump"}, {"Parameter", "Volt"}});
  std::atomic<int> failures{0};
  std::atomic<bool> torn{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        const DRQuery& query = t % 3 == 0 ? start : t % 3 == 1 ? stop : read;
        if (demo.executeQuery(query) != 0) ++failures;
        const std::string states = stored("States");
        if (states != "(absent)" && states != "Pump=0" && states != "Pump=1") torn = true;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_FALSE(torn.load());
  ASSERT_EQ(demo.executeQuery(stop), 0);
  ASSERT_EQ(demo.executeQuery(read), 0);
  EXPECT_EQ(stored("States"), "Pump=0");
}

}  // namespace
