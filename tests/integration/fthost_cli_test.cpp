// ft-host as a process: each start-up fault ends it with status 2 and one
// line naming the culprit; a good start serves until SIGTERM and exits 0.
// Guards against: a fault that exits 0, prints more than one line or an
// unescaped control, or names the wrong culprit; a log file opened where it
// would block or create folders; --port not winning over the file's port;
// lines below the log level written; a broken mask not reported at start-up.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <tuple>

#include "support/ft_host.h"

namespace {

namespace fs = std::filesystem;

const char kGoodFile[] = R"(<host ecu="DEMO">
  <data>
    <integer key="data:/Configuration/OrvaneFunctionTests/SocketPort">1</integer>
    <string key="data:/Configuration/OrvaneData/OrvaneDataRoot">files</string>
  </data>
  <ecu name="DEMO"><state name="Pump" value="1"/></ecu>
</host>
)";

// Files like the good one with one change: {name, replaced text, replacement}.
const char kAddressKey[] =
    "<data>\n<string key=\"data:/Configuration/OrvaneFunctionTests/ListenAddress\">";
const std::tuple<const char*, std::string, std::string> kVariants[] = {
    {"foreign.xml", "<data>", kAddressKey + std::string("192.0.2.1</string>")},
    {"named.xml", "<data>", kAddressKey + std::string("localhost</string>")},
    {"wrapped.xml", ">1</integer>", ">65536</integer>"},
};

// A port some other program listens on while this object lives.
class BusyPort {
 public:
  ~BusyPort() { ::close(fd_); }
  std::string port() const { return fd_ < 0 ? "" : std::to_string(port_); }

 private:
  int port_ = -1;
  int fd_ = detail::listenOnLoopback(port_);
};

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class FtHostCli : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder.path().empty());
    put(path("good.xml"), kGoodFile);
    put(path("noecu.xml"), "<host><ecu name=\"DEMO\"/></host>");
    // ESC, NEL and the line separator in a quoted value.
    put(path("controls.xml"),
        "<host><data><flag key=\"K\">\x1B[2J\xC2\x85x\xE2\x80\xA8y</flag></data></host>");
    for (const auto& [name, from, to] : kVariants) {
      std::string text = kGoodFile;
      put(path(name), text.replace(text.find(from), from.size(), to));
    }
    port = std::to_string(detail::pickFreePort());
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  // Runs ft-host to its end with stdout and stderr kept apart.
  Outcome run(const std::vector<std::string>& options) {
    fs::remove(path("out.txt"));
    fs::remove(path("err.txt"));
    Outcome outcome;
    const pid_t pid = detail::spawnHost(options, path("out.txt"), path("err.txt"));
    if (pid <= 0) return outcome;
    outcome.status = detail::waitForExit(pid);
    outcome.out = detail::readFile(path("out.txt"));
    outcome.err = detail::readFile(path("err.txt"));
    return outcome;
  }

  const TempDir folder;
  const fs::path dir = folder.path();
  std::string port;
};

TEST_F(FtHostCli, StartUpFaultsExitWithStatusTwoAndOneLine) {
  const std::string good = path("good.xml");
  const BusyPort busy;
  ASSERT_FALSE(busy.port().empty());
  const std::string hostLibrary = std::string(FT_BINARY_DIR) + "/lib/libMakoraHost.so";
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
  const struct {
    std::vector<std::string> options;
    std::string named;  // what the error line must contain
  } rows[] = {
      {{"--bogus"}, "--bogus"},
      {{"--data", good, "--port", "65536"}, "--port: Value 65536 not in range 1 to 65535"},
      {{"--data", good, "--port", busy.port()},
       "on 0.0.0.0 port " + busy.port() + ": the port is in use by another program"},
      {{"--data", path("foreign.xml"), "--port", port},
       "on 192.0.2.1 port " + port + ": not an address of this machine"},
      {{"--data", path("named.xml"), "--port", port},
       "on localhost port " + port + ": not an IPv4 address"},
      {{"--data", path("wrapped.xml")},
       "on 0.0.0.0 port 65536: refused by the component, which does not listen on port 0"},
      {{"--data", good, "--port", port, "--control-port", busy.port()},
       "--control-port: cannot listen on 127.0.0.1:" + busy.port()},
      // Opening a FIFO would wait for a reader, deaf to signals.
      {{"--data", good, "--log-file", path("fifo")},
       "--log-file " + path("fifo") + ": not a regular file"},
      {{"--data", good, "--log-file", path("nofolder/x.log")},
       "--log-file " + path("nofolder/x.log") + ": the folder " + path("nofolder") +
           " does not exist"},
      {{"--data", path("controls.xml")}, R"("\x1B[2J\xC2\x85x\xE2\x80\xA8y" is not true)"},
      {{"--data", path("noecu.xml"), "--port", port}, "no ECU"},
      {{"--data", good, "--port", port, "--component", path("none.so")},
       "cannot load module " + path("none.so")},
      {{"--data", good, "--port", port, "--component", hostLibrary},
       "module " + hostLibrary + " lacks the export createComponent"},
  };
  for (const auto& row : rows) {
    std::string command;
    for (const auto& option : row.options) command += option + " ";
    SCOPED_TRACE(command);
    const Outcome outcome = run(row.options);
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err.rfind("ft-host: ", 0), 0u) << outcome.err;
    EXPECT_NE(outcome.err.find(row.named), std::string::npos) << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_EQ(std::count_if(outcome.err.begin(), outcome.err.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
              1)
        << outcome.err;
  }
  EXPECT_FALSE(fs::exists(path("nofolder")));
}

TEST_F(FtHostCli, HelpExitsZero) {
  const Outcome outcome = run({"--help"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_NE(outcome.out.find("--data"), std::string::npos);
}

TEST(FtHostRun, ServesOnTheGivenPortAndStopsOnSigterm) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(kGoodFile)) << host.output() << host.log();
  // --port wins over the file's port 1.
  EXPECT_NE(host.output().find("ft-host: serving ECU DEMO on http://127.0.0.1:" +
                               std::to_string(host.port()) + "/\n"),
            std::string::npos)
      << host.output();
  EXPECT_EQ(httpGet(host.port(), "/readSignal?names=Pump&types=State"), kHtml + "1;1");
  EXPECT_EQ(host.stop(), 0) << host.output();
}

TEST(FtHostRun, WarnsOfAnUndescribedEcuAndLogsNothingBelowTheLevel) {
  // At the request level the only information lines are the request log's.
  for (const char* level : {"warning", "requests"}) {
    SCOPED_TRACE(level);
    FtHostProcess host;
    ASSERT_TRUE(host.start(kGoodFile, {"--ecu", "OTHER", "--log-level", level}))
        << host.output() << host.log();
    EXPECT_NE(host.output().find("serving ECU OTHER"), std::string::npos) << host.output();
    httpGet(host.port(), "/readSignal?names=Pump&types=State");
    EXPECT_EQ(host.stop(), 0);
    const std::string log = host.log();
    EXPECT_EQ(countLogLines(log, "ECU OTHER is not described in"), 1u) << log;
    const size_t requestLines =
        std::string(level) == "warning" ? 0 : countLogLines(log, "] [RequestLog] ");
    EXPECT_EQ(countLogLines(log, "[info] "), requestLines) << log;
    EXPECT_EQ(countLogLines(log, "[trace]"), 0u) << log;
  }
}

// The start-up check finds mask variables where the component does: only the mask whose
// variable is missing is reported.
TEST(FtHostRun, WarnsOfMasksThatCannotWorkAtStartUp) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(R"(<host ecu="DEMO"><data>
      <set key="data:/Auto/InternalOwner/UCEs/DEMO/States"><integer name="Type">2</integer></set>
    </data><ecu name="DEMO">
      <state name="Known" value="1"><mask>Type == 2</mask></state>
      <state name="Broken" value="1"><mask>Nope == 1</mask></state>
    </ecu></host>)"))
      << host.output() << host.log();
  EXPECT_EQ(host.stop(), 0);
  const std::string log = host.log();
  EXPECT_EQ(countLogLines(log, "the mask of State Broken cannot work"), 1u) << log;
  EXPECT_EQ(countLogLines(log, "the mask of State Known cannot work"), 0u) << log;
}

}  // namespace
