// A recording as the check it is saved as: the fixture call of each panel change, where the
// replay waits, which answers it expects, and the file written whole or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "RecordedCheck.h"

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

const json kLoad = {{"kind", "request"},
                    {"at", 100},
                    {"target", "/FT?gui=a&mw=a&flow=a"},
                    {"status", 200},
                    {"body", ""}};

json request(long long at, const std::string& target, const std::string& body) {
  return {{"kind", "request"}, {"at", at}, {"target", target}, {"status", 200}, {"body", body}};
}

std::string checkOf(const json& steps, std::string* error = nullptr) {
  RecordedCheck::Source source{steps,         "a.xml", "../fixture.mjs", "http://127.0.0.1:9/",
                               json::array(), "a"};
  std::string reason;
  const std::string text = RecordedCheck::text(source, reason);
  if (error) *error = reason;
  return text;
}

TEST(RecordedCheck, ChangesReplayThroughTheFixturesCalls) {
  const struct {
    std::string route;
    json body;
    std::string call;
  } rows[] = {
      {"/api/state/Pump", {{"value", 1}}, R"(ft.ecu.set("Pump", 1))"},
      {"/api/identification/VIN", {{"value", "X1"}}, R"(ft.ecu.set("VIN", "X1"))"},
      {"/api/command/StartPump",
       {{"mode", "refuse"}, {"status", -14}},
       R"(ft.ecu.refuse("StartPump", -14))"},
      {"/api/ecu", {{"mode", "refuse"}, {"status", -992}}, "ft.ecu.refuse(-992)"},
      {"/api/rawframe/22F190",
       {{"response", "7F2231"}},
       R"(ft.ecu.change("22F190", {"response":"7F2231"}))"},
      {"/api/state/Pump",
       {{"mode", "normal"}, {"delay", 5}},
       "ft.ecu.answer(\"Pump\");\n  await ft.ecu.delay(\"Pump\", 5)"},
      {"/api/state/Pump",
       {{"mode", "normal"}, {"value", 1}},
       R"(ft.ecu.change("Pump", {"mode":"normal","value":1}))"},
      {"/api/ecu", {{"reset", true}}, R"(ft.ecu.change(null, {"reset":true}))"},
      {"/api/reset", nullptr, "ft.ecu.reset()"},
  };
  for (const auto& row : rows) {
    const json change = {{"kind", "change"}, {"at", 200}, {"route", row.route}, {"body", row.body}};
    EXPECT_NE(checkOf(json::array({kLoad, change})).find("  await " + row.call + ";\n"),
              std::string::npos)
        << row.route << " " << row.body.dump() << "\n"
        << checkOf(json::array({kLoad, change}));
  }
}

TEST(RecordedCheck, ReplayWaitsAndExpectsWhatTheRecordingSaw) {
  const json click = {{"kind", "click"}, {"at", 0}, {"selector", "#run"}};
  const json change = {
      {"kind", "change"}, {"at", 0}, {"route", "/api/state/Pump"}, {"body", {{"value", 1}}}};
  const auto at = [](json step, long long ms) {
    step["at"] = ms;
    return step;
  };
  const struct {
    const char* topic;
    json steps;
    std::vector<std::string> in;   // in this order
    std::vector<std::string> out;  // nowhere
  } rows[] = {
      {"a change before the page's load comes before it opens",
       {at(change, 50), kLoad},
       {R"(ft.ecu.set("Pump", 1))", "ft.open(page"},
       {"waitForRequests"}},
      {"an action waits for the Nth request of the command before it, once",
       {kLoad, request(110, "/poll?x=1", "1"), request(120, "/poll?x=1", "1"), at(click, 130),
        at(change, 140)},
       {R"(ft.waitForRequests("/poll?x=1", 2, { timeout: WAIT_MS });)", R"(page.click("#run"))",
        R"(ft.ecu.set("Pump", 1))"},
       {R"(waitForRequests("/poll?x=1", 1)"}},
      {"a click heard after the request it caused is put before it by its time",
       {kLoad, request(120, "/run", "0"), at(click, 110)},
       {R"(page.click("#run"))", R"("/run": "0")"},
       {"waitForRequests"}},
      {"the host's problems while recording are allowed, each once and as written",
       {kLoad,
        {{"kind", "problem"}, {"at", 110}, {"text", "a (b) 1.5/2 [x]\\"}},
        {{"kind", "problem"}, {"at", 120}, {"text", "a (b) 1.5/2 [x]\\"}}},
       {R"(ft.allow(/a \(b\) 1\.5\/2 \[x\]\\/);)", "ft.open(page"},
       {"ft.allow(/a \\(b\\) 1\\.5\\/2 \\[x\\]\\\\/);\n  ft.allow"}},
      {"files are no commands; an answer that changed or names the panel is not expected",
       {kLoad, request(110, "/Style/a.css", ""), request(120, "/poll", "1"),
        request(130, "/poll", "2"), request(140, "/getText?textCode=C", "http://127.0.0.1:9/"),
        request(150, "/q", "-14")},
       {R"("/q": "-14")", "changed while recording:\n  //   /poll\n"},
       {"a.css", R"("/poll":)", "textCode=C"}},
  };
  for (const auto& row : rows) {
    const std::string text = checkOf(row.steps);
    size_t from = 0;
    for (const std::string& part : row.in) {
      const size_t found = text.find(part, from);
      EXPECT_NE(found, std::string::npos) << row.topic << ": " << part << "\n" << text;
      if (found != std::string::npos) from = found;
    }
    for (const std::string& part : row.out)
      EXPECT_EQ(text.find(part), std::string::npos) << row.topic << ": " << part << "\n" << text;
  }

  std::string error;
  EXPECT_EQ(checkOf(json::array({request(10, "/poll", "1")}), &error), "");
  EXPECT_NE(error.find("no load of the page"), std::string::npos) << error;
}

std::string contentOf(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(RecordedCheck, SavesWholeBesideTheDataAndReplacesOnlyWhenAsked) {
  const fs::path folder = fs::temp_directory_path() / ("ft-recorded-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const struct {
    std::string name;
    std::string text;
    bool overwrite;
    int status;
    std::string content;  // of walk.check.mjs afterwards
  } rows[] = {
      {"", "x", false, 400, ""},
      {"../walk", "x", false, 400, ""},
      {std::string(65, 'w'), "x", false, 400, ""},
      {"walk", "first", false, 200, "first"},
      {"walk", "second", false, 409, "first"},
      {"walk", "third", true, 200, "third"},
  };
  for (const auto& row : rows) {
    std::string path, error;
    EXPECT_EQ(RecordedCheck::save(folder.string(), row.name, row.text, row.overwrite, path, error),
              row.status)
        << row.name << ": " << error;
    EXPECT_EQ(contentOf(folder / "walk.check.mjs"), row.content) << row.name;
  }
  // Nothing but the check is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  fs::remove_all(folder);
}

}  // namespace
