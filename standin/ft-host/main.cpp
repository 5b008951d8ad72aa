// ft-host: loads the FT server component, configures it for one ECU of the
// host data file and serves until SIGINT or SIGTERM.
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "HostContent.h"
#include "HostControl.h"
#include "ID.h"
#include "ListenCheck.h"
#include "LoadedComponent.h"
#include "MakoraLog_Static.h"
#include "MaskCheck.h"
#include "PanelRecords.h"
#include "StandinDataManager.h"
#include "StandinHost.h"
#include "StandinLog.h"
#include "WindowsFormat.h"

namespace {

namespace fs = std::filesystem;

constexpr int kUsageError = 2;
constexpr int kDefaultPort = 61111;
const char kPortKey[] = "data:/Configuration/OrvaneFunctionTests/SocketPort";
const char kListenAddressKey[] = "data:/Configuration/OrvaneFunctionTests/ListenAddress";
// How long the component may take to listen once it runs; it takes milliseconds
// unless the machine is very busy.
constexpr auto kListenTimeout = std::chrono::seconds(5);
constexpr auto kListenPoll = std::chrono::milliseconds(10);

// One line on stderr: the caller's exit status follows.
int failure(const std::string& message) {
  // The message may quote the data file: one line, whatever it holds.
  std::fprintf(stderr, "ft-host: %s\n", StandinLog::escapeControls(message).c_str());
  return kUsageError;
}

fs::path executableDir() {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return fs::current_path();
  return fs::path(std::string(buffer, static_cast<size_t>(length))).parent_path();
}

// The demo beside the build folder of this checkout; else the one of the source tree it was built
// from.
std::string defaultDataPath(const fs::path& exeDir) {
  const fs::path beside = exeDir / ".." / ".." / "examples" / "demo" / "demo.xml";
  std::error_code ec;
  if (fs::exists(beside, ec)) return fs::weakly_canonical(beside, ec).string();
  return FT_DEFAULT_DATA;
}

// "requests" (the default): warnings, errors and the one line per request.
void applyLogLevel(const std::string& name) {
  if (name == "requests")
    StandinLog::setRequestLevel();
  else if (name == "trace")
    StandinLog::setLevel(MakoraLog_Static::Trace);
  else if (name == "warning")
    StandinLog::setLevel(MakoraLog_Static::Warning);
  else if (name == "error")
    StandinLog::setLevel(MakoraLog_Static::Error);
  else
    StandinLog::setLevel(MakoraLog_Static::Information);
}

void logLine(MakoraLog_Static::Level level, const std::string& message) {
  StandinLog::write(level, "ft-host", message);
}

std::string absolute(const std::string& path) {
  std::error_code ec;
  const fs::path result = fs::absolute(path, ec);
  return ec ? path : result.lexically_normal().string();
}

// A stop signal taken within the wait, or 0.
int waitForSignal(const sigset_t& stopSignals, std::chrono::nanoseconds wait) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
  const timespec timeout{static_cast<time_t>(seconds.count()),
                         static_cast<long>((wait - seconds).count())};
  const int signal = ::sigtimedwait(&stopSignals, nullptr, &timeout);
  return signal > 0 ? signal : 0;
}

struct Options {
  std::string data;
  std::string ecu;
  int port = 0;
  bool portGiven = false;
  std::string component;
  std::string logLevel = "requests";
  std::string logFile;
  int controlPort = 0;
  bool controlPortGiven = false;
};

// Fills options from the command line; a non-negative result is the exit status to leave with.
int parseOptions(int argc, char** argv, Options& options) {
  const fs::path exeDir = executableDir();
  options.data = defaultDataPath(exeDir);
  options.component =
      (exeDir / ".." / "lib" / "libZRKOrvaneFTServer.so").lexically_normal().string();

  CLI::App app{"Serves the FT server component with a simulated ECU.", "ft-host"};
  app.add_option("--data", options.data, "host data file")->capture_default_str();
  app.add_option("--ecu", options.ecu, "ECU passed to configure (default: <host ecu=...>)");
  CLI::Option* port =
      app.add_option("--port", options.port, "listening port, replacing the data file's")
          ->check(CLI::Range(1, 65535));
  app.add_option("--component", options.component, "component module to load")
      ->capture_default_str();
  app.add_option("--log-level", options.logLevel, "lowest level written")
      ->check(CLI::IsMember({"requests", "trace", "info", "warning", "error"}))
      ->capture_default_str();
  app.add_option("--log-file", options.logFile, "also append every log line to this file");
  CLI::Option* controlPort =
      app.add_option("--control-port", options.controlPort,
                     "control panel port on 127.0.0.1 (0: any free one; default: the data "
                     "port + 1000, else any free one)")
          ->check(CLI::Range(0, 65535));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);
    return failure(e.what());
  }
  options.portGiven = port->count() > 0;
  options.controlPortGiven = controlPort->count() > 0;
  return -1;
}

// Hears the host's warnings and errors for the control panel while it lives.
class ProblemListener {
 public:
  explicit ProblemListener(PanelRecords& records) {
    StandinLog::setProblemListener([&records](const LogRecord& record) {
      records.addProblem(record.level, record.className, record.message);
    });
  }
  ~ProblemListener() { StandinLog::setProblemListener(nullptr); }
  ProblemListener(const ProblemListener&) = delete;
  ProblemListener& operator=(const ProblemListener&) = delete;
};

// Reads the data file on a thread of its own, so that a stop signal is taken even while a large
// file is read.
bool loadData(StandinHost& host, const std::string& path, const HostControl::Settings& live,
              const sigset_t& stopSignals, std::string& error) {
  bool loaded = false;
  std::atomic<bool> loading{true};
  std::thread loader([&] {
    loaded = host.loadFile(
        path, error, [&live](HostContent& content) { HostControl::applyOverrides(content, live); });
    loading = false;
  });
  while (loading) {
    if (const int signal = waitForSignal(stopSignals, kListenPoll); signal != 0) {
      failure(std::string("stopped on ") + ::strsignal(signal) + " while loading " + path);
      std::_Exit(kUsageError);  // nothing has started; the loader thread cannot be interrupted
    }
  }
  loader.join();
  return loaded;
}

// What the author can be told before the component runs.
void warnOfSetUpFaults(StandinHost& host, const std::string& ecu, const std::string& dataPath) {
  if (!host.describesEcu(ecu))
    logLine(MakoraLog_Static::Warning,
            "ECU " + ecu + " is not described in " + dataPath +
                ": the component finds no diagnostic services and skips the rest of its set-up");
  checkMasks(host, ecu, [](const std::string& line) { logLine(MakoraLog_Static::Warning, line); });
}

int configuredPort(StandinDataManager& data) {
  int port = kDefaultPort;
  if (data.readInteger(ID(kPortKey), port) != 0) port = kDefaultPort;
  return port;
}

// Empty for every interface.
std::string configuredAddress(StandinDataManager& data) {
  ACE_WString address;
  return data.readString(ID(kListenAddressKey), address) == 0
             ? WindowsFormat::toUtf8(std::wstring(address.c_str()))
             : std::string();
}

// Whether the component listens within kListenTimeout; signal: a stop signal taken meanwhile.
bool waitUntilListening(const ListenCheck& listen, const sigset_t& stopSignals, int& signal) {
  const auto deadline = std::chrono::steady_clock::now() + kListenTimeout;
  bool listening = false;
  // The port is looked at again after a signal: one sent once the port accepted stops a
  // server, not a start, and a supervisor that saw the port must see a clean stop.
  while (!(listening = listen.listening()) && signal == 0 &&
         std::chrono::steady_clock::now() < deadline)
    signal = waitForSignal(stopSignals, kListenPoll);
  return listening;
}

// A line on stdout for whoever started ft-host, and in the log.
void announce(const std::string& line) {
  std::printf("ft-host: %s\n", line.c_str());
  std::fflush(stdout);
  logLine(MakoraLog_Static::Information, line);
}

// Where the component is to serve, as start-up settled it.
struct Serving {
  std::string componentPath;
  HostControl::Settings live;  // the ECU and the data file included
  int port = kDefaultPort;
  std::string cannotServe;  // the start of the error when it cannot
};

// Runs the component until a stop signal: empty after a clean stop, else why it could not
// serve. Whatever was started has stopped when this returns.
std::string serveUntilStopped(StandinHost& host, const Serving& serving, const ListenCheck& listen,
                              const sigset_t& stopSignals, PanelRecords& records) {
  LoadedComponent component;
  std::string error;
  if (!component.load(serving.componentPath, serving.live.ecu, error)) return error;
  component.run();
  // Announced only once this process holds the socket; a stop signal meanwhile ends it.
  int signal = 0;
  if (!waitUntilListening(listen, stopSignals, signal)) {
    component.unload();  // so that the port is tried without it
    if (signal != 0) return std::string("stopped on ") + ::strsignal(signal) + " before serving";
    const std::string obstacle = listen.obstacle();
    return serving.cannotServe +
           (obstacle.empty() ? "refused by the component, nothing listens" : obstacle);
  }
  // The panel first, so that "serving" means everything is up.
  HostControl control(host, component.server(), serving.live, records);
  const int controlPort = control.start(serving.port & 0xFFFF, error);
  if (controlPort < 0) return "--control-port: " + error;
  announce("serving ECU " + serving.live.ecu + " on " + listen.url());
  announce("control panel on http://127.0.0.1:" + std::to_string(controlPort) + "/");
  // The page to open, for `./ft run`, which prints nothing of its own.
  if (const std::string page = control.scenarioPage(); !page.empty()) {
    std::string url = listen.url();
    url.pop_back();  // its '/'
    std::printf("ft-host: open %s%s\n", url.c_str(), page.c_str());
    std::fflush(stdout);
  }
  // A signal taken while waiting for the port is gone from the pending set.
  while (signal == 0 && ::sigwait(&stopSignals, &signal) != 0) {
  }
  logLine(MakoraLog_Static::Information, std::string("stopping on ") + ::strsignal(signal));
  return {};
}

int serve(const Options& options, const sigset_t& stopSignals) {
  StandinHost& host = StandinHost::instance();
  // From the first load on: its warnings are the author's first findings.
  PanelRecords records;
  const ProblemListener listener(records);
  Serving serving;
  if (options.portGiven) serving.live.port = options.port;
  if (options.controlPortGiven) serving.live.controlPort = options.controlPort;
  std::string error;
  if (!loadData(host, options.data, serving.live, stopSignals, error)) return failure(error);
  // Made absolute before the change of folder, which would move a relative path.
  serving.live.dataFile = absolute(options.data);
  serving.componentPath = absolute(options.component);
  if (::chdir(fs::path(serving.live.dataFile).parent_path().c_str()) != 0)
    return failure("cannot change to the folder of " + options.data + ": " + std::strerror(errno));

  serving.live.ecu = options.ecu.empty() ? host.defaultEcu() : options.ecu;
  const std::string& ecu = serving.live.ecu;
  if (ecu.empty())
    return failure("no ECU: give --ecu or the ecu attribute of <host> in " + options.data);
  warnOfSetUpFaults(host, ecu, options.data);
  serving.port = configuredPort(host.dataManager());
  const ListenCheck listen(configuredAddress(host.dataManager()), serving.port);
  serving.cannotServe = "cannot serve ECU " + ecu + " on " + listen.where() + ": ";
  if (const std::string obstacle = listen.obstacle(); !obstacle.empty())
    return failure(serving.cannotServe + obstacle);

  const std::string problem = serveUntilStopped(host, serving, listen, stopSignals, records);
  return problem.empty() ? 0 : failure(problem);
}

}  // namespace

// What throws here is running out of memory, which terminate reports as well as anything.
int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape)
  // Stop signals are only ever taken by sigwait: block them before any thread exists,
  // so that every thread started later inherits the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  Options options;
  const int parsed = parseOptions(argc, argv, options);
  if (parsed >= 0) return parsed;

  applyLogLevel(options.logLevel);
  if (!options.logFile.empty() && !StandinLog::setFile(absolute(options.logFile))) {
    std::error_code ec;
    const fs::path file = absolute(options.logFile);
    const fs::file_status status = fs::status(file, ec);
    if (fs::exists(status) && !fs::is_regular_file(status))
      return failure("--log-file " + options.logFile + ": not a regular file");
    const fs::path folder = file.parent_path();
    return failure("--log-file " + options.logFile +
                   (fs::is_directory(folder, ec)
                        ? ": cannot open the file"
                        : ": the folder " + folder.string() + " does not exist"));
  }
  return serve(options, stopSignals);
}
