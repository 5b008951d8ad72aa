// Requests per second and latency of ft-host under concurrent clients, one
// request per connection as a browser sends them: a refused command (404
// with no file and no ECU involved) and a small GUI file.
//
//   bench_http_load [--clients N] [--requests N] [--log-level trace|info|warning|error]
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {
// ft-host is looked for beside this program, as in the build folder.
std::string buildDir() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  return std::filesystem::path(std::string(path, size_t(n))).parent_path().parent_path().string();
}
}  // namespace

#define FT_BINARY_DIR buildDir()
#include "../tests/support/FtHost.h"

namespace {

struct Scenario {
  const char* name;
  std::string request;
  std::string replyStart;
};

struct Result {
  double requestsPerSecond = 0;
  double p50Ms = 0;
  double p99Ms = 0;
  int failures = 0;
};

Result runLoad(int port, const Scenario& scenario, int clients, int requests) {
  std::atomic<int> next{0};
  std::atomic<int> failures{0};
  std::vector<std::vector<double>> latencies(static_cast<size_t>(clients));
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      auto& mine = latencies[static_cast<size_t>(c)];
      while (next.fetch_add(1) < requests) {
        const auto t0 = std::chrono::steady_clock::now();
        const std::string reply = httpExchange(port, scenario.request, 10000);
        const auto t1 = std::chrono::steady_clock::now();
        if (reply.rfind(scenario.replyStart, 0) != 0) failures.fetch_add(1);
        mine.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
      }
    });
  }
  for (auto& t : threads) t.join();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::vector<double> all;
  for (const auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
  std::sort(all.begin(), all.end());
  Result result;
  result.failures = failures.load();
  if (!all.empty()) {
    result.requestsPerSecond = double(all.size()) / seconds;
    result.p50Ms = all[all.size() / 2];
    result.p99Ms = all[std::min(all.size() - 1, all.size() * 99 / 100)];
  }
  return result;
}

int intArgument(const char* text, int fallback) {
  const int value = std::atoi(text);
  return value > 0 ? value : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  int clients = 16;
  int requests = 5000;
  std::string logLevel = "warning";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--clients") == 0) clients = intArgument(argv[i + 1], clients);
    if (std::strcmp(argv[i], "--requests") == 0) requests = intArgument(argv[i + 1], requests);
    if (std::strcmp(argv[i], "--log-level") == 0) logLevel = argv[i + 1];
  }

  FtHostProcess host;
  const std::string data =
      "<host ecu=\"DEMO\"><data>"
      "<string key=\"data:/Configuration/OrvaneData/OrvaneDataRoot\">files</string>"
      "</data><ecu name=\"DEMO\"/></host>";
  if (!host.start(data, {"--log-level", logLevel})) {
    std::fprintf(stderr, "bench_http_load: ft-host did not start\n%s", host.output().c_str());
    return 1;
  }
  std::filesystem::create_directories(host.dir() + "/files/Scenario/gui");
  std::ofstream(host.dir() + "/files/Scenario/gui/small.css", std::ios::binary)
      << std::string(512, 'x');

  const Scenario scenarios[] = {
      {"404 refused command", "GET /retrieveInitialValue HTTP/1.0\r\n\r\n", "HTTP/1.0 404 "},
      {"200 small file (512 B)", "GET /Scenario/gui/small.css HTTP/1.0\r\n\r\n", "HTTP/1.0 200 "},
  };
  std::printf(
      "ft-host log level %s, %d concurrent clients, %d requests per scenario, one per connection\n",
      logLevel.c_str(), clients, requests);
  std::printf("%-24s %12s %10s %10s %9s\n", "scenario", "requests/s", "p50 ms", "p99 ms",
              "failures");
  for (const auto& scenario : scenarios) {
    runLoad(host.port(), scenario, clients, std::max(1, requests / 10));  // warm-up
    const Result r = runLoad(host.port(), scenario, clients, requests);
    std::printf("%-24s %12.0f %10.3f %10.3f %9d\n", scenario.name, r.requestsPerSecond, r.p50Ms,
                r.p99Ms, r.failures);
  }
  return host.stop() == 0 ? 0 : 1;
}
