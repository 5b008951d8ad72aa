// ft-host as a process: each start-up fault ends it with status 2 and one
// line naming the culprit; a good start serves until SIGTERM and exits 0.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/FtHost.h"

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

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs ft-host to its end (killed after 20 s) with stdout and stderr kept apart.
Outcome runHost(const fs::path& dir, const std::vector<std::string>& options) {
  std::vector<std::string> args = {std::string(FT_BINARY_DIR) + "/bin/ft-host"};
  args.insert(args.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string outPath = (dir / "out.txt").string();
  const std::string errPath = (dir / "err.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t pid = -1;
  Outcome outcome;
  const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return outcome;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  pid_t r;
  while ((r = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (r == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  outcome.out = ft_test::detail::readFile(outPath);
  outcome.err = ft_test::detail::readFile(errPath);
  return outcome;
}

class FtHostCli : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = (fs::temp_directory_path() / "fthost-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    dir = templ;
    write("good.xml", kGoodFile);
    write("noecu.xml", "<host><ecu name=\"DEMO\"/></host>");
    write("bad.xml", "<host>\n  <data>\n    <flag key=\"K\">maybe</flag>\n  </data>\n</host>\n");
    write("broken.xml", "<host>\n  <texts>\n</host>\n");
    port = std::to_string(ft_test::detail::pickFreePort());
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }

  fs::path dir;
  std::string port;
};

struct FaultRow {
  std::vector<std::string> options;
  std::string named;  // what the error line must contain
};

TEST_F(FtHostCli, StartUpFaultsExitWithStatusTwoAndOneLine) {
  const std::string good = path("good.xml");
  const std::string hostLibrary = std::string(FT_BINARY_DIR) + "/lib/libMakoraHost.so";
  const FaultRow rows[] = {
      {{"--bogus"}, "--bogus"},
      {{"--data", good, "stray"}, "stray"},
      {{"--data", good, "--port", "abc"}, "--port"},
      {{"--data", good, "--port", "70000"}, "--port"},
      {{"--data", good, "--log-level", "loud"}, "--log-level"},
      {{"--data"}, "--data"},
      {{"--data", good, "--log-file", path("good.xml/x.log")}, "--log-file"},
      {{"--data", path("missing.xml")}, path("missing.xml") + ": cannot open"},
      {{"--data", path("bad.xml")},
       path("bad.xml") + ":3: <flag key=\"K\">: \"maybe\" is not true, false, 1 or 0"},
      {{"--data", path("broken.xml")}, path("broken.xml") + ":3: malformed XML"},
      {{"--data", path("noecu.xml"), "--port", port}, "no ECU"},
      {{"--data", good, "--port", port, "--component", path("none.so")},
       "cannot load module " + path("none.so")},
      {{"--data", good, "--port", port, "--component", good}, "cannot load module " + good},
      {{"--data", good, "--port", port, "--component", hostLibrary},
       "module " + hostLibrary + " lacks the export createComponent"},
  };
  for (const FaultRow& row : rows) {
    std::string command;
    for (const auto& option : row.options) command += option + " ";
    const Outcome outcome = runHost(dir, row.options);
    EXPECT_EQ(outcome.status, 2) << command << outcome.err;
    EXPECT_EQ(outcome.out, "") << command;
    EXPECT_EQ(outcome.err.rfind("ft-host: ", 0), 0u) << command << outcome.err;
    EXPECT_NE(outcome.err.find(row.named), std::string::npos) << command << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1)
        << command << outcome.err;
  }
}

TEST_F(FtHostCli, HelpExitsZero) {
  const Outcome outcome = runHost(dir, {"--help"});
  EXPECT_EQ(outcome.status, 0);
  for (const char* option :
       {"--data", "--ecu", "--port", "--component", "--log-level", "--log-file"})
    EXPECT_NE(outcome.out.find(option), std::string::npos) << option;
}

bool moduleIsComplete() {
  void* module = ::dlopen(FT_BINARY_DIR "/lib/libZRKOrvaneFTServer.so", RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return false;
  const bool complete =
      ::dlsym(module, "createComponent") != nullptr && ::dlsym(module, "createProxy") != nullptr;
  ::dlclose(module);
  return complete;
}

TEST(FtHostRun, ServesOnTheGivenPortFromTheDataFolderAndStopsOnSigterm) {
  if (!moduleIsComplete()) GTEST_SKIP() << "the component module does not export both entry points";
  FtHostProcess host;
  ASSERT_TRUE(host.start(kGoodFile)) << host.output() << host.log();
  // --port wins over the file's port 1.
  const std::string serving =
      "ft-host: serving ECU DEMO on http://127.0.0.1:" + std::to_string(host.port()) + "/\n";
  EXPECT_NE(host.output().find(serving), std::string::npos) << host.output();

  // The relative data root is found from the data file's folder.
  fs::create_directories(host.dir() + "/files/ApplicationData/ATWS");
  std::ofstream(host.dir() + "/files/ApplicationData/ATWS/a.txt") << "x";
  const std::string reply = httpGet(host.port(), "/fileExists?name=a.txt");
  EXPECT_EQ(reply.rfind("HTTP/1.0 200", 0), 0u) << reply;
  EXPECT_EQ(reply.substr(reply.size() - 1), "1") << reply;
  const std::string signal = httpGet(host.port(), "/readSignal?names=Pump&types=State");
  ASSERT_GE(signal.size(), 7u);
  EXPECT_EQ(signal.substr(signal.size() - 7), "\r\n\r\n1;1") << signal;

  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(host.stop(), 0) << host.output();
  const auto took = std::chrono::steady_clock::now() - before;
  // Not a performance check: only that stop does not hang on a live server.
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_EQ(countLogLines(host.log(), "serving ECU DEMO"), 1u) << host.log();
  EXPECT_EQ(countLogLines(host.log(), "stopping on"), 1u) << host.log();
}

TEST(FtHostRun, WarnsWhenTheConfiguredEcuIsNotInTheFile) {
  if (!moduleIsComplete()) GTEST_SKIP() << "the component module does not export both entry points";
  FtHostProcess host;
  ASSERT_TRUE(host.start(kGoodFile, {"--ecu", "OTHER"})) << host.output() << host.log();
  EXPECT_EQ(countLogLines(host.log(), "ECU OTHER is not described in"), 1u) << host.log();
  EXPECT_NE(host.output().find("serving ECU OTHER"), std::string::npos) << host.output();
  EXPECT_EQ(host.stop(), 0);
}

TEST(FtHostRun, LogLevelDropsLowerLines) {
  if (!moduleIsComplete()) GTEST_SKIP() << "the component module does not export both entry points";
  FtHostProcess host;
  ASSERT_TRUE(host.start(kGoodFile, {"--log-level", "warning"})) << host.output();
  httpGet(host.port(), "/readSignal?names=Pump&types=State");
  EXPECT_EQ(host.stop(), 0);
  EXPECT_EQ(countLogLines(host.log(), "[info]"), 0u) << host.log();
  EXPECT_EQ(countLogLines(host.log(), "[trace]"), 0u) << host.log();
}

}  // namespace
