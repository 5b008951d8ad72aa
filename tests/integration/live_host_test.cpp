// A live ft-host: what the author changes in the control panel or in the files
// is what the GUI's next request sees, without a restart.
// Guards against: a panel change or reset not reaching the component's next reply, a refused
// change half applied, numbers wrapped instead of refused, a reload lost or a bad one taken,
// the panel's gate not in place or bound to the wrong port, a stalled panel client holding a
// worker or the stop, a recording refused wrongly or saved without its steps.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <cstdio>
#include <regex>

#include "support/ft_host.h"

namespace {

const char kFile[] = R"(<host ecu="DEMO">
  <data>
    <flag key="data:/Configuration/OrvaneFunctionTests/DevelopmentMode">true</flag>
    <set key="data:/Auto/InternalOwner/UCEs/DEMO/States"><integer name="Type">2</integer></set>
  </data>
  <texts><text code="T_ON">On</text></texts>
  <ecu name="DEMO">
    <state name="Pump" value="0">
      <mask>Type == 2</mask>
      <interpretation><correspondance value="1" codetext="T_ON" defaultText="Running"/></interpretation>
    </state>
    <parameter name="Volts" value="12.5" format="1"/>
    <identification name="VIN" value="VF1"/>
    <parameter name="Turbo" value="1.5"><mask>Type == 3</mask></parameter>
    <command name="Start"><set state="Pump" value="1"/></command>
    <rawframe request="22F190" response="62F190"/>
  </ecu>
</host>)";

// The file with its data root in the folder gui/ beside it.
std::string withGuiRoot(std::string file) {
  return file.replace(
      file.find("<data>"), 6,
      "<data><string key='data:/Configuration/OrvaneData/OrvaneDataRoot'>gui</string>");
}

struct Reply {
  int status = 0;
  std::string body;
};

// The status and body of a raw exchange with the panel.
Reply panelExchange(int port, const std::string& bytes, int timeoutMs = 5000) {
  const std::string raw = httpExchange(port, bytes, timeoutMs);
  Reply reply;
  std::smatch match;
  if (std::regex_search(raw, match, std::regex("^HTTP/1\\.[01] (\\d+)")))
    reply.status = std::stoi(match[1]);
  const size_t end = raw.find("\r\n\r\n");
  if (end != std::string::npos) reply.body = raw.substr(end + 4);
  return reply;
}

// One request to the panel as its page sends it; the body of a POST is JSON.
Reply panel(int port, const std::string& method, const std::string& path,
            const std::string& json = "") {
  std::string request =
      method + " " + path + " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n";
  if (method == "POST")
    request +=
        "Content-Type: application/json\r\nContent-Length: " + std::to_string(json.size()) + "\r\n";
  return panelExchange(port, request + "\r\n" + json);
}

// The panel's port from ft-host's start-up lines (5 s at most), or -1.
int controlPortOf(const FtHostProcess& host) {
  const std::regex line("ft-host: control panel on http://127\\.0\\.0\\.1:(\\d+)/\n");
  for (int i = 0; i < 500; ++i) {
    std::smatch match;
    const std::string output = host.output();
    if (std::regex_search(output, match, line)) return std::stoi(match[1]);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

class ControlPanelApi : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.start(kFile)) << host.output() << host.log();
    control = controlPortOf(host);
    ASSERT_GT(control, 0) << host.output();
  }
  Reply post(const std::string& path, const std::string& json) {
    return panel(control, "POST", path, json);
  }
  // Each change in turn: its status (a refusal's body a JSON error), what the GUI's request then
  // answers, and a text the panel's view then holds.
  struct Change {
    std::string path, json;
    int status;
    std::string target, answer;
    std::string view = {};  // empty: the view is not looked at
  };
  void expectChanges(const std::vector<Change>& changes) {
    for (const Change& change : changes) {
      SCOPED_TRACE(change.path + " " + change.json);
      const Reply reply = post(change.path, change.json);
      EXPECT_EQ(reply.status, change.status) << reply.body;
      EXPECT_EQ(reply.body.rfind(R"({"error":")", 0) == 0, change.status != 200) << reply.body;
      EXPECT_EQ(gui(change.target), change.answer);
      if (!change.view.empty()) {
        EXPECT_NE(panel(control, "GET", "/api/ecu").body.find(change.view), std::string::npos);
      }
    }
  }
  std::string gui(const std::string& target) {
    const std::string reply = httpGet(host.port(), target);
    return reply.rfind(kHtml, 0) == 0 ? reply.substr(kHtml.size()) : "not 200: " + reply;
  }

  FtHostProcess host;
  int control = -1;
};

TEST_F(ControlPanelApi, ChangesReachTheGuiAndResetUndoesThem) {
  const std::string read = "/readSignal?names=Pump;Volts;VIN&types=State;Parameter;Identification";
  EXPECT_EQ(gui(read), "0;0;12.500000;12.5;VF1;VF1");
  expectChanges({
      {"/api/state/Pump", R"({"value": 1})", 200, read, "1;On;12.500000;12.5;VF1;VF1"},
      {"/api/parameter/Volts", R"({"value": 11.25})", 200, read, "1;On;11.250000;11.2;VF1;VF1"},
      {"/api/identification/VIN", R"({"value": "WVW"})", 200, read, "1;On;11.250000;11.2;WVW;WVW"},
      {"/api/identification/VIN", R"({"mode": "refuse", "status": -14})", 200, read,
       "VCI DISCONNECTED"},
      {"/api/command/Start", R"({"mode": "refuse", "status": -979})", 200, "/sendQuery?query=Start",
       "INVALID QUERY"},
      {"/api/command/Start", R"({"mode": "normal", "value": 7})", 200, "/sendQuery?query=Start",
       "7"},
      // No answer: the query waits its delay, then times out.
      {"/api/command/Start", R"({"mode": "none", "delay": 20})", 200, "/sendQuery?query=Start",
       "TIMEOUT"},
      {"/api/ecu", R"({"mode": "refuse", "status": -992})", 200, read, "TIMEOUT"},
      // Refused changes leave everything as it was.
      {"/api/state/Pump", "not json", 400, "/sendQuery?query=Start", "TIMEOUT"},
      {"/api/state/Pump", R"({"value": "one"})", 400, read, "TIMEOUT"},
      {"/api/state/Nope", R"({"value": 1})", 404, read, "TIMEOUT"},
      {"/api/ecu", R"({"mode": "refuse"})", 400, read, "TIMEOUT"},
      {"/api/reset", "", 200, read, "0;0;12.500000;12.5;VF1;VF1"},
      {"/api/reset", "", 200, "/sendQuery?query=Start", "0"},
  });
  // The panel's log shows what the page was answered, status words included.
  const std::string log = panel(control, "GET", "/api/log?after=0").body;
  for (const char* body : {R"("body":"1;On;11.250000;11.2;WVW;WVW")", R"("body":"TIMEOUT")",
                           R"("body":"INVALID QUERY")", R"("body":"7")"})
    EXPECT_NE(log.find(body), std::string::npos) << body;
}

// Numbers outside what the simulation stores are refused, not wrapped: a status of 2^32
// would otherwise be stored as 0, a success.
TEST_F(ControlPanelApi, NumbersAreRangeCheckedBeforeTheyAreStored) {
  const std::string read = "/readSignal?names=Pump;Volts&types=State;Parameter";
  const std::string start = "/sendQuery?query=Start";
  expectChanges({
      // The command also sets Pump to 1.
      {"/api/command/Start", R"({"value": 4294967296})", 400, start, "0"},
      {"/api/command/Start", R"({"value": -2147483649})", 400, start, "0"},
      {"/api/command/Start", R"({"value": 2147483647})", 200, start, "2147483647"},
      {"/api/state/Pump", R"({"value": 1.5})", 400, read, "1;On;12.500000;12.5"},
      // A parameter takes a whole number as well as a real one.
      {"/api/parameter/Volts", R"({"value": 13})", 200, read, "1;On;13.000000;13.0"},
      {"/api/ecu", R"({"mode": "refuse", "status": 0})", 400, read, "1;On;13.000000;13.0"},
      {"/api/ecu", R"({"mode": "refuse", "status": 4294967296})", 400, read, "1;On;13.000000;13.0"},
      {"/api/ecu", R"({"delay": 18446744073709551615})", 400, read, "1;On;13.000000;13.0"},
      {"/api/mask/Type", R"({"value": 9223372036854775808})", 400,
       "/isApplicable?names=Pump&types=State", "1"},
  });
}

// Waits (10 s at most) until the panel's JSON holds the text.
bool waitForView(int control, const std::string& path, const std::string& text) {
  for (int i = 0; i < 1000; ++i) {
    if (panel(control, "GET", path).body.find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(LiveReload, AChangedDataFileIsTakenAndABadOneRefusedWhileAClientIsConnected) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(kFile)) << host.output();
  const int control = controlPortOf(host);
  const std::string file = host.dir() + "/host.xml";
  const std::string read = "GET /readSignal?names=Volts&types=Parameter HTTP/1.0\r\n\r\n";
  std::string replaced = kFile;
  replaced.replace(replaced.find("12.5"), 4, "13.75");
  struct Row {
    std::string content;
    std::string reloads;  // the panel's count once the file is seen
    std::string answer;
    size_t refusals;  // one-line errors printed so far
  };
  const Row rows[] = {
      {replaced, R"("reloads":1)", "13.750000;13.8", 0},
      {"<host>\n<ecu name='DEMO'><oops/></ecu></host>", R"("reloads":2)", "13.750000;13.8", 1},
      {kFile, R"("reloads":3)", "12.500000;12.5", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reloads);
    // Connected before the reload, asking after it.
    const int client = detail::connectTo(host.port());
    ASSERT_GE(client, 0);
    put(file, row.content);
    ASSERT_TRUE(waitForView(control, "/api/ecu", row.reloads)) << host.output();
    const std::string reply = httpExchangeOn(client, read);
    EXPECT_EQ(reply, kHtml + row.answer);
    EXPECT_EQ(
        countLogLines(host.output(), "ft-host: " + file + ":2: unknown element <oops> in <ecu>"),
        row.refusals);
  }
}

// ft-host changes to the data file's folder: a relative --data must still name the file reloaded.
TEST(LiveReload, ARelativeDataPathIsTheFileReloaded) {
  // Below the current folder: a path climbing to / would come out right by chance.
  const TempDir folder("ft-relative");
  const std::string& dir = folder.path();
  ASSERT_FALSE(dir.empty());
  put(dir + "/host.xml", kFile);
  const std::string output = dir + "/output.txt";
  const int control = detail::pickFreePort();
  const pid_t pid = detail::spawnHost(
      {"--data", dir + "/host.xml", "--port", std::to_string(detail::pickFreePort()),
       "--control-port", std::to_string(control)},
      output, output);
  ASSERT_GT(pid, 0);
  for (int i = 0;
       i < 1000 && detail::readFile(output).find("ft-host: control panel") == std::string::npos;
       ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const Reply reply = panel(control, "POST", "/api/reload", "{}");
  EXPECT_EQ(reply.status, 200) << reply.body << detail::readFile(output);
  ::kill(pid, SIGTERM);
  EXPECT_EQ(detail::waitForExit(pid), 0);
}

TEST(LiveReload, InDevelopmentModeAChangedGuiFileCountsAsAChange) {
  FtHostProcess host;
  const std::string file = withGuiRoot(kFile);
  ASSERT_TRUE(host.start(file)) << host.output();
  const int control = controlPortOf(host);
  put(host.dir() + "/gui/Scenario/gui/page.html", "<!DOCTYPE html><p>one</p>");
  ASSERT_TRUE(waitForView(control, "/api/changes", R"({"version":1})"));
  put(host.dir() + "/gui/Scripts/init.js", "// two");
  ASSERT_TRUE(waitForView(control, "/api/changes", R"({"version":2})"));
}

// One item, command or frame goes back to the file's alone; a frame's response and a mask
// variable can change.
TEST_F(ControlPanelApi, ChangesAreMarkedAndResetOneByOne) {
  const std::string read = "/readSignal?names=Pump;Volts&types=State;Parameter";
  expectChanges({
      {"/api/state/Pump", R"({"value": 1})", 200, read, "1;On;12.500000;12.5",
       R"("changed":true,"display":"On")"},
      {"/api/parameter/Volts", R"({"value": 11})", 200, read, "1;On;11.000000;11.0",
       R"("changed":true,"display":"11.0")"},
      {"/api/state/Pump", R"({"reset": true})", 200, read, "0;0;11.000000;11.0",
       R"("changed":false,"display":"0")"},
      {"/api/rawframe/22F190", R"({"response": "62f19041"})", 200, "/sendRawQuery?query=22F190",
       "62F19041",
       R"("changed":true,"fileResponse":"62F190","request":"22F190","response":"62F19041")"},
      {"/api/rawframe/22F190", R"({"response": "62F1904"})", 400, "/sendRawQuery?query=22F190",
       "62F19041", R"("response":"62F19041")"},
      {"/api/command/Start", R"({"value": 5})", 200, "/sendQuery?query=Start", "5",
       R"("changed":true,"fileValue":0,"name":"Start","value":5)"},
      {"/api/command/Start", R"({"reset": true})", 200, "/sendQuery?query=Start", "0",
       R"("changed":false,"fileValue":0,"name":"Start","value":0)"},
      {"/api/ecu", R"({"mode": "refuse", "status": -14})", 200, read, "VCI DISCONNECTED",
       R"("answerChanged":true)"},
      {"/api/ecu", R"({"reset": true})", 200, read, "1;On;11.000000;11.0",
       R"("answerChanged":false)"},
      {"/api/state/Pump", R"({"reset": true, "value": 1})", 400, read, "1;On;11.000000;11.0",
       R"("changed":true,"display":"11.0")"},
      {"/api/mask/Type", R"({"value": 3})", 200,
       "/isApplicable?names=Pump;Turbo&types=State;Parameter", "0;1"},

  });
}

// The actions that need no body take none: a client that sends no Content-Length gets its answer.
TEST_F(ControlPanelApi, ActionsWithoutABodyAnswer) {
  for (const char* path : {"/api/reset", "/api/reload"}) {
    SCOPED_TRACE(path);
    for (const std::string& head : {std::string("Content-Length: 0\r\n"), std::string()}) {
      const std::string raw = httpExchange(
          control, std::string("POST ") + path + " HTTP/1.0\r\nContent-Type: application/json\r\n" +
                       head + "\r\n");
      EXPECT_EQ(raw.rfind("HTTP/1.1 200", 0), 0u) << raw;
      EXPECT_NE(raw.find(R"("ecu":"DEMO")"), std::string::npos) << raw;
    }
  }
}

// A misspelt name gives one warning with the closest names, in the log, the panel and the page's
// channel; the page's answer stays what the component gives; a known name never warns.
TEST_F(ControlPanelApi, UnknownNamesWarnOnceWithTheClosestNames) {
  const struct {
    std::string target, answer, warning;
  } rows[] = {
      {"/readSignal?names=Pmup&types=State", "UNKNOWN",
       "readSignal: ECU DEMO has no State Pmup; did you mean Pump?"},
      {"/readSignal?names=Volts&types=State", "UNKNOWN",
       "readSignal: ECU DEMO has no State Volts; it has a Parameter Volts"},
      {"/sendRawQuery?query=22F191", "UNKNOWN",
       "sendRawQuery: ECU DEMO has no raw frame 22F191; did you mean 22F190?"},
      {"/readSignal?names=Volts;VIN&types=Parameter;Identification", "12.500000;12.5;VF1;VF1", ""},

  };
  for (int round = 0; round < 2; ++round)
    for (const auto& row : rows) EXPECT_EQ(gui(row.target), row.answer) << row.target;
  const std::string warnings = panel(control, "GET", "/api/warnings?after=0").body;
  const std::string page = panel(control, "GET", "/api/changes?warnings=0").body;
  size_t expected = 0;
  for (const auto& row : rows) {
    if (row.warning.empty()) continue;
    ++expected;
    EXPECT_EQ(countLogLines(host.output(), row.warning), 1u) << row.warning << host.output();
    EXPECT_NE(warnings.find(row.warning), std::string::npos) << row.warning << warnings;
    EXPECT_NE(page.find(row.warning), std::string::npos) << row.warning << page;
  }
  EXPECT_EQ(countLogLines(host.output(), " has no "), expected) << host.output();
}

// `./ft run` prints nothing of its own: ft-host names the page to open when the page folder
// holds one named like the data file, and says when a reload took.
TEST(LiveReload, StartUpNamesThePageAndAReloadSaysItTook) {
  FtHostProcess host;
  const std::string file = withGuiRoot(kFile);
  put(host.dir() + "/gui/Scenario/gui/host.html", "<!DOCTYPE html><p>page</p>");
  ASSERT_TRUE(host.start(file)) << host.output();
  const int control = controlPortOf(host);
  const std::string open = "ft-host: open http://127.0.0.1:" + std::to_string(host.port()) +
                           "/FT?gui=host&mw=host&flow=host\n";
  for (int i = 0; i < 500 && host.output().find(open) == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_NE(host.output().find(open), std::string::npos) << host.output();
  EXPECT_EQ(panel(control, "POST", "/api/reload", "{}").status, 200);
  EXPECT_EQ(countLogLines(host.output(), "ft-host: reloaded " + host.dir() + "/host.xml"), 1u)
      << host.output();
}

// The component keeps a flag it cannot read again; ft-host must not leave it on while its own
// live reload goes off: the problem panel and live reload are on or off together.
TEST(LiveReload, AFileWithoutDevelopmentModeTurnsItOffForTheComponentToo) {
  FtHostProcess host;
  const std::string file = withGuiRoot(kFile);
  ASSERT_TRUE(host.start(file)) << host.output();
  const int control = controlPortOf(host);
  put(host.dir() + "/gui/Scenario/gui/page.html",
      "<!DOCTYPE html><html><head></head><body><div id='title'>T</div></body></html>");
  const std::string page = "/FT?gui=page&mw=m&flow=f";
  // The page asks the text service for the panel's address.
  const std::string address = "/getText?textCode=FT_HOST_CONTROL&origin=K";
  EXPECT_NE(httpGet(host.port(), page).find("onfocus"), std::string::npos);
  EXPECT_EQ(httpGet(host.port(), address),
            kHtml + "http://127.0.0.1:" + std::to_string(control) + "/");
  std::string off = file;
  off.erase(off.find("<flag "), off.find("</flag>") + 7 - off.find("<flag "));
  put(host.dir() + "/host.xml", off);
  ASSERT_TRUE(waitForView(control, "/api/ecu", R"("reloads":1)"));
  EXPECT_EQ(httpGet(host.port(), page).find("onfocus"), std::string::npos);
  EXPECT_EQ(httpGet(host.port(), address), kHtml);
}

// A reload to a file with a broken mask says at once what is wrong; a refused reload
// is shown until a good one replaces it.
TEST(LiveReload, BrokenMasksWarnAtOnceAndARefusalDoesNotOutliveTheFix) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(kFile)) << host.output();
  const int control = controlPortOf(host);
  const std::string file = host.dir() + "/host.xml";
  std::string broken = kFile;
  broken.replace(broken.find("Type == 2"), 9, "(Type == 2");
  put(file, "<host><oops/></host>");
  ASSERT_TRUE(waitForView(control, "/api/ecu", R"("reloads":1)"));
  EXPECT_NE(panel(control, "GET", "/api/ecu").body.find(R"("reloadError":")"), std::string::npos);
  put(file, broken);
  ASSERT_TRUE(waitForView(control, "/api/ecu", R"("reloads":2)"));
  const std::string view = panel(control, "GET", "/api/ecu").body;
  EXPECT_NE(view.find(R"("reloadError":null)"), std::string::npos) << view;
  const std::string cause =
      "the mask of State Pump cannot work: '(Type == 2': at character 1: '(' is never closed";
  EXPECT_NE(panel(control, "GET", "/api/warnings").body.find(cause), std::string::npos);
  EXPECT_EQ(countLogLines(host.output(), cause), 1u) << host.output();

  // The page that reloads sees the warnings of the file in force, not the refusal before it.
  const std::string page = panel(control, "GET", "/api/changes?warnings=0").body;
  EXPECT_NE(page.find("'(' is never closed"), std::string::npos) << page;
  EXPECT_EQ(page.find("reload refused"), std::string::npos) << page;
}

}  // namespace

// What a browser carries to the panel on behalf of another site's page is refused before any
// handler runs, with a JSON reason; the panel's own page and hand-made requests go on. The
// gate's verdict on each header is PanelRequestCheck's table; these rows show it in place:
// the panel's own port, header names in any case, a body never read once refused.
TEST_F(ControlPanelApi, RefusesRequestsOfOtherSitesAndOversizedOnes) {
  const std::string own = "127.0.0.1:" + std::to_string(control);
  const std::string body = R"({"mode":"refuse","status":-14})";
  const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n";
  const std::string json = "Content-Type: application/json\r\n";
  struct Row {
    std::string what, head, body;
    int status;
  };
  const Row rows[] = {
      {"another port, header name in lower case", "GET /api/ecu HTTP/1.1\r\nhost: 127.0.0.1:1\r\n",
       "", 403},
      {"unknown endpoint", "GET /api/nothing HTTP/1.1\r\nHost: " + own + "\r\n", "", 404},
      // A chunked body has no length to check before it is read.
      {"chunked body",
       "POST /api/state/Pump HTTP/1.1\r\nHost: " + own + "\r\n" + json +
           "Transfer-Encoding: chunked\r\n",
       "b\r\n{\"value\":1}\r\n0\r\n\r\n", 411},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Reply reply = panelExchange(control, row.head + "\r\n" + row.body);
    EXPECT_EQ(reply.status, row.status) << reply.body;
    EXPECT_EQ(reply.body.rfind(R"({"error":")", 0), 0u) << reply.body;
  }
  EXPECT_EQ(gui("/readSignal?names=Pump&types=State"), "0;0");

  // The panel's own names, and the GUI's read of the change count from its origin.
  const Reply local = panelExchange(
      control, "POST /api/ecu HTTP/1.1\r\nHost: LOCALHOST:" + std::to_string(control) + "\r\n" +
                   json + length + "Origin: http://localhost:" + std::to_string(control) +
                   "\r\nSec-Fetch-Site: same-origin\r\n\r\n" + body);
  EXPECT_EQ(local.status, 200) << local.body;
  EXPECT_EQ(gui("/readSignal?names=Pump&types=State"), "VCI DISCONNECTED");
  const std::string changes =
      httpExchange(control, "GET /api/changes HTTP/1.1\r\nHost: " + own +
                                "\r\nOrigin: http://127.0.0.1:" + std::to_string(host.port()) +
                                "\r\nSec-Fetch-Site: same-site\r\n\r\n");
  EXPECT_NE(changes.find("Access-Control-Allow-Origin: *"), std::string::npos) << changes;
}

TEST_F(ControlPanelApi, OversizedHeadsAndStalledRequestsAreAnsweredAndLetGo) {
  const Reply big =
      panelExchange(control, "GET /api/ecu HTTP/1.1\r\n" + std::string(40000, 'x') + ": y\r\n\r\n");
  EXPECT_EQ(big.status, 431) << big.body;
  EXPECT_EQ(big.body.rfind(R"({"error":")", 0), 0u) << big.body;
  // Many headers of lawful size add up the same.
  std::string many = "GET /api/ecu HTTP/1.1\r\n";
  for (int i = 0; i < 2000; ++i) many += "X-Filler-" + std::to_string(i) + ": 0123456789\r\n";
  EXPECT_EQ(panelExchange(control, many + "\r\n").status, 431);

  // More trickling clients than the panel has workers: each is cut off, so a request waits
  // for them no longer than one request's time.
  std::vector<int> stalled;
  for (int i = 0; i < 16; ++i) {
    const int fd = detail::connectTo(control);
    ASSERT_GE(fd, 0);
    ::send(fd, "GET /api/ecu HTTP/1.1\r\nX: ", 26, MSG_NOSIGNAL);
    stalled.push_back(fd);
  }
  const Reply view = panelExchange(
      control, "GET /api/ecu HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(control) + "\r\n\r\n",
      20000);
  EXPECT_EQ(view.status, 200);
  char reply[512] = "";
  pollfd p{stalled.front(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 10000), 1);
  const ssize_t n = ::recv(stalled.front(), reply, sizeof reply - 1, 0);
  EXPECT_EQ(std::string(reply, n > 0 ? size_t(n) : 0).rfind("HTTP/1.1 408 ", 0), 0u) << reply;
  for (const int fd : stalled) ::close(fd);
}

// Clients that trickle or keep an idle connection do not hold the stop; a bound well below
// the trickle's pace tells.
TEST_F(ControlPanelApi, StopsPromptlyWhateverThePanelsClientsDo) {
  std::vector<int> clients;
  for (int i = 0; i < 12; ++i) {
    const int fd = detail::connectTo(control);
    ASSERT_GE(fd, 0);
    if (i % 2 == 0) ::send(fd, "POST /api/ecu HTTP/1.1\r\n", 24, MSG_NOSIGNAL);
    clients.push_back(fd);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(host.stop(std::chrono::milliseconds(1500)), 0) << host.output();
  for (const int fd : clients) ::close(fd);
}

// A stop while a large data file is being loaded again ends that load: it once ran on for
// twenty seconds. The file takes several seconds to load here, far above the bound.
TEST(LiveReload, AStopInterruptsAReloadOfALargeFile) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(kFile, {"--control-port", "0"})) << host.output();
  const int control = controlPortOf(host);
  ASSERT_GT(control, 0) << host.output();
  std::string large = "<host ecu=\"DEMO\"><data><set key=\"data:/Large\">\n";
  for (int i = 0; i < 300000; ++i)
    large += "<integer name=\"V" + std::to_string(i) + "\">" + std::to_string(i) + "</integer>\n";
  large += "</set></data><ecu name=\"DEMO\"/></host>\n";
  put(host.dir() + "/host.xml", large);
  std::thread reload([control] { panel(control, "POST", "/api/reload", "{}"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(host.stop(std::chrono::milliseconds(2000)), 0) << host.output();
  reload.join();
}

// A recording as a stranger's script drives it: each refusal, then the check saved beside the
// data file with the page's requests, the panel's changes and the clicks.
TEST_F(ControlPanelApi, RecordingsAreSavedAsChecksBesideTheData) {
  const struct {
    std::string path, json;
    int status;
    std::string said;
  } before[] = {
      {"/api/record/page", R"({"kind": "click", "selector": "#a"})", 409, "not recording"},
      {"/api/record", R"({"record": 1})", 400, "record"},
      {"/api/record", R"({"record": true})", 200, R"("recording":true)"},
      {"/api/record/page", R"({"kind": "fill", "selector": "#a"})", 400, "value"},
      {"/api/record/save", R"({"name": "walk"})", 422, "no load of the page"},
  };
  for (const auto& row : before) {
    const Reply reply = post(row.path, row.json);
    EXPECT_EQ(reply.status, row.status) << row.path << " " << row.json << ": " << reply.body;
    EXPECT_NE(reply.body.find(row.said), std::string::npos) << row.json << ": " << reply.body;
  }

  gui("/FT?gui=demo&mw=demo&flow=demo");
  EXPECT_EQ(gui("/readSignal?names=Pump&types=State"), "0;0");
  EXPECT_EQ(post("/api/state/Pump", R"({"value": 1})").status, 200);
  EXPECT_EQ(post("/api/record/page", R"({"kind": "click", "selector": "#run"})").status, 200);

  const std::string texts = R"("texts": [{"selector": "#v", "texts": ["PASS"]}])";
  std::string file;
  const struct {
    std::string json;
    int status;
    std::string said;
  } saves[] = {
      {R"({"name": "walk", "texts": [{"selector": "#v"}]})", 400, "texts"},
      {R"({"name": "walk", )" + texts + "}", 200, "walk.check.mjs"},
  };
  for (const auto& row : saves) {
    const Reply reply = post("/api/record/save", row.json);
    EXPECT_EQ(reply.status, row.status) << row.json << ": " << reply.body;
    EXPECT_NE(reply.body.find(row.said), std::string::npos) << row.json << ": " << reply.body;
    std::smatch match;
    if (std::regex_search(reply.body, match, std::regex(R"re("file":"([^"]+)")re")))
      file = match[1];
  }
  const std::string check = detail::readFile(file);
  for (const char* part :
       {R"(await ft.ecu.set("Pump", 1);)", R"(await page.click("#run");)", R"(toHaveText("PASS")",
        R"("/readSignal?names=Pump&types=State": "0;0")"})
    EXPECT_NE(check.find(part), std::string::npos) << part << "\n" << check;
  std::remove(file.c_str());
}
