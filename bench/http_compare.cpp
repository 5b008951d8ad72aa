// ft-host side by side with Debian's civetweb and a floor server on the same
// files, measured in one run with bench_load_client, runs interleaved so that
// the machine's drifting load hits every server alike: the ratios are the
// result, the absolute figures only their context. Then growth curves and the mask bench.
//
//   bench_http_compare [--seconds S] [--rounds N] [--host-dir DIR] [--before DIR] [--quick]
//   DIR holds bin/ft-host and lib/ of another build: --host-dir measures it
//   instead of this build's, --before beside it in the same rounds.
//   --quick: the files and getText at 8 and 64 clients against civetweb only,
//   for trying a change.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {
std::string gHostDir;

// The build folder of this program (bench programs lie in its bin/).
std::string buildDir() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  return std::filesystem::path(std::string(path, size_t(n))).parent_path().parent_path().string();
}
}  // namespace

#define FT_BINARY_DIR (gHostDir.empty() ? buildDir() : gHostDir)
#include "../tests/support/ft_host.h"

namespace {

struct Load {
  std::string name;
  std::string target;  // on ft-host
  bool peers;          // civetweb and the floor serve it too
};

struct Figures {
  double rps = 0;
  double p50 = 0;  // ms
  double p99 = 0;
  double cpuUs = 0;  // the server's processor time per request
  long errors = 0;   // connections that ended without a reply
};

// Processor time (user and system) the process has used so far, in µs.
double cpuTimeUs(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  FILE* file = std::fopen(path, "r");
  if (file == nullptr) return 0;
  char text[1024] = {};
  const size_t n = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  text[n] = '\0';
  // The fields after the name, which may hold blanks, start behind its ')'.
  const char* rest = std::strrchr(text, ')');
  unsigned long user = 0, system = 0;
  if (rest == nullptr ||
      std::sscanf(rest + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user,
                  &system) != 2)
    return 0;
  return double(user + system) * 1e6 / double(::sysconf(_SC_CLK_TCK));
}

// The process whose command line holds both texts, or -1.
pid_t findProcess(const std::string& program, const std::string& argument) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    FILE* file = std::fopen((entry.path() / "cmdline").c_str(), "r");
    if (file == nullptr) continue;
    char text[4096] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    const std::string line(text, n);
    if (line.find(program) != std::string::npos && line.find(argument) != std::string::npos)
      return static_cast<pid_t>(std::atoi(name.c_str()));
  }
  return -1;
}

// A child process that is killed and reaped when this goes.
class Child {
 public:
  explicit Child(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      detail::waitForExit(pid_);
    }
  }
  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

bool waitListening(int port) {
  for (int i = 0; i < 500; ++i) {
    if (detail::isListening(port)) return true;
    ::usleep(10000);
  }
  return false;
}

Figures runLoad(int port, pid_t server, const std::string& target, int clients, int seconds) {
  char command[512];
  std::snprintf(command, sizeof command, "'%s/bin/bench_load_client' %d '%s' %d %d 2>&1",
                buildDir().c_str(), port, target.c_str(), clients, seconds);
  Figures f;
  const double cpuBefore = cpuTimeUs(server);
  FILE* out = ::popen(command, "r");
  if (out == nullptr) return f;
  char line[512];
  long requests = 0;
  while (std::fgets(line, sizeof line, out) != nullptr)
    std::sscanf(line, "requests %ld rps %lf p50 %lf p99 %lf errors %ld", &requests, &f.rps, &f.p50,
                &f.p99, &f.errors);
  ::pclose(out);
  if (f.rps > 0) f.cpuUs = (cpuTimeUs(server) - cpuBefore) / (f.rps * seconds);
  return f;
}

// Keeps the best of the rounds: each server's least disturbed run.
void keepBest(Figures& best, const Figures& f) {
  if (f.rps > best.rps) best = f;
}

void writeFile(const std::string& path, size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 26);
  put(path, bytes);
}

std::string hostData(int stateCount) {
  std::string data =
      "<host ecu=\"DEMO\"><data>"
      "<string key=\"data:/Configuration/OrvaneData/OrvaneDataRoot\">files</string>"
      "<integer key=\"data:/Configuration/OrvaneFunctionTests/ReceiveTimeout\">5000</integer>"
      "</data><texts>"
      "<text code=\"T1\">First text</text><text code=\"T2\">Second text</text>"
      "</texts><ecu name=\"DEMO\">";
  for (int i = 0; i < stateCount; ++i)
    data += "<state name=\"S" + std::to_string(i) + "\" value=\"" + std::to_string(i % 7) + "\"/>";
  return data + "</ecu></host>";
}

std::string readSignalTarget(int items) {
  std::string names, types;
  for (int i = 0; i < items; ++i) {
    names += (i ? ";S" : "S") + std::to_string(i);
    types += i ? ";State" : "State";
  }
  return "/readSignal?names=" + names + "&types=" + types;
}

// One request on a fresh connection; the reply is read in large pieces and
// dropped, so that the reader does not limit the curve. The bytes received.
size_t fetch(int port, const std::string& target) {
  static std::vector<char> buffer(1 << 20);
  const int fd = detail::connectTo(port);
  if (fd < 0) return 0;
  const std::string request = "GET " + target + " HTTP/1.0\r\n\r\n";
  size_t received = 0;
  if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size())) {
    for (ssize_t n; (n = ::recv(fd, buffer.data(), buffer.size(), 0)) > 0;) received += size_t(n);
  }
  ::close(fd);
  return received;
}

// Mean time of one request on one client, in ms, the best of three runs of
// count requests (the least disturbed); -1 when a reply fell short.
double timePerRequest(int port, const std::string& target, int count, size_t atLeast) {
  fetch(port, target);
  double best = -1;
  for (int run = 0; run < 3; ++run) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
      if (fetch(port, target) < atLeast) return -1;
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count() /
        count;
    if (best < 0 || ms < best) best = ms;
  }
  return best;
}

const char* fmtRatio(char* buf, size_t size, double a, double b) {
  if (b <= 0) return "-";
  std::snprintf(buf, size, "%.2fx", a / b);
  return buf;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 2;
  int rounds = 2;
  bool quick = false;
  std::string beforeDir;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--quick") == 0) quick = true;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--host-dir") == 0) gHostDir = argv[i + 1];
    if (std::strcmp(argv[i], "--before") == 0) beforeDir = argv[i + 1];
  }

  FtHostProcess before;
  pid_t beforePid = -1;
  if (!beforeDir.empty()) {
    const std::string hostDir = std::exchange(gHostDir, beforeDir);
    const bool started = before.start(hostData(1000), {"--log-level", "warning"});
    gHostDir = hostDir;
    if (!started) {
      std::fprintf(stderr, "bench_http_compare: the ft-host of %s did not start\n%s",
                   beforeDir.c_str(), before.output().c_str());
      return 1;
    }
    beforePid = findProcess("ft-host", before.dir());
    writeFile(before.dir() + "/files/f2k.bin", 2048);
    writeFile(before.dir() + "/files/f200k.bin", 200 * 1024);
  }

  FtHostProcess host;
  if (!host.start(hostData(1000), {"--log-level", "warning"})) {
    std::fprintf(stderr, "bench_http_compare: ft-host did not start\n%s", host.output().c_str());
    return 1;
  }
  const std::string root = host.dir() + "/files";
  const pid_t hostPid = findProcess("ft-host", host.dir());
  writeFile(root + "/f2k.bin", 2048);
  writeFile(root + "/f200k.bin", 200 * 1024);

  const int civetPort = detail::pickFreePort();
  Child civetweb({"civetweb", "-document_root", root, "-listening_ports",
                  "127.0.0.1:" + std::to_string(civetPort), "-num_threads", "64"});
  const int floorPort = detail::pickFreePort();
  Child floor({buildDir() + "/bin/bench_floor_server", root, std::to_string(floorPort), "64"});
  if (!civetweb.running() || !floor.running() || !waitListening(civetPort) ||
      !waitListening(floorPort)) {
    std::fprintf(stderr, "bench_http_compare: civetweb or the floor server did not start\n");
    return 1;
  }

  std::vector<Load> loads = {
      {"2 KiB file", "/f2k.bin", true},
      {"200 KiB file", "/f200k.bin", true},
      {"getText", "/getText?textCode=T1;T2&origin=K", false},
      {"readSignal 4", readSignalTarget(4), false},
  };
  std::vector<int> clientCounts = {1, 8, 64};
  if (quick) {
    loads.pop_back();
    clientCounts = {8, 64};
  }
  // [load][clients][server]: 0 ft-host, 1 civetweb, 2 floor, 3 before.
  std::map<std::pair<size_t, int>, Figures[4]> results;
  long errors = 0;
  for (int round = 0; round < rounds; ++round) {
    for (size_t l = 0; l < loads.size(); ++l) {
      for (int clients : clientCounts) {
        auto& slot = results[{l, clients}];
        // Alternate the order so that neither server always runs first.
        const int order[2][4] = {{0, 1, 2, 3}, {3, 2, 1, 0}};
        for (int s : order[round % 2]) {
          if ((s == 1 || s == 2) && !loads[l].peers) continue;
          if ((quick && s == 2) || (s == 3 && beforePid < 0)) continue;
          const int ports[] = {host.port(), civetPort, floorPort, before.port()};
          const pid_t pids[] = {hostPid, civetweb.pid(), floor.pid(), beforePid};
          const int port = ports[s];
          const std::string& target = loads[l].target;
          const pid_t pid = pids[s];
          const Figures f = runLoad(port, pid, target, clients, seconds);
          errors += f.errors;
          keepBest(slot[s], f);
        }
      }
    }
  }

  std::printf(
      "bench_load_client (one connection per request, read to the close), %d s per run, best of "
      "%d interleaved rounds; ft-host at "
      "--log-level warning; civetweb -num_threads 64; floor: 64 threads, recv + sendfile; CPU: the "
      "server's processor time (user + system) per request\n\n",
      seconds, rounds);
  std::printf(
      "| load | clients | ft-host req/s | p50/p99 ms | CPU µs/req | civetweb req/s | p50/p99 ms | "
      "CPU µs/req | floor req/s | p50/p99 ms | CPU µs/req | ft/civetweb | ft/floor |\n");
  std::printf("| --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- |\n");
  for (size_t l = 0; l < loads.size(); ++l) {
    for (int clients : clientCounts) {
      const Figures* r = results[{l, clients}];
      // Commands have no peer: they are set against the peers' 2 KiB file.
      const Figures* peer = loads[l].peers ? r : results[{0, clients}];
      char a[32], b[32];
      std::printf(
          "| %s | %d | %.0f | %.2f / %.2f | %.0f | %.0f | %.2f / %.2f | %.0f | %.0f | %.2f / %.2f "
          "| %.0f | %s | %s |\n",
          loads[l].name.c_str(), clients, r[0].rps, r[0].p50, r[0].p99, r[0].cpuUs, peer[1].rps,
          peer[1].p50, peer[1].p99, peer[1].cpuUs, peer[2].rps, peer[2].p50, peer[2].p99,
          peer[2].cpuUs, fmtRatio(a, sizeof a, r[0].rps, peer[1].rps),
          fmtRatio(b, sizeof b, r[0].rps, peer[2].rps));
    }
  }
  if (errors > 0) std::printf("\n%ld connections ended without a reply\n", errors);
  if (beforePid > 0) {
    std::printf(
        "\nThe ft-host of %s in the same rounds:\n\n| load | clients | before req/s | p50/p99 ms | "
        "CPU µs/req | after/before | before/civetweb |\n| --- | --- | --- | --- | --- | --- | --- "
        "|\n",
        beforeDir.c_str());
    for (size_t l = 0; l < loads.size(); ++l) {
      for (int clients : clientCounts) {
        const Figures* r = results[{l, clients}];
        const Figures* peer = loads[l].peers ? r : results[{0, clients}];
        char a[32], b[32];
        std::printf("| %s | %d | %.0f | %.2f / %.2f | %.0f | %s | %s |\n", loads[l].name.c_str(),
                    clients, r[3].rps, r[3].p50, r[3].p99, r[3].cpuUs,
                    fmtRatio(a, sizeof a, r[0].rps, r[3].rps),
                    fmtRatio(b, sizeof b, r[3].rps, peer[1].rps));
      }
    }
  }
  if (quick) return 0;

  std::printf(
      "\nGrowth, one client, mean time per request (best of three runs):\n\n| readSignal items | "
      "ms | ms per item |\n| "
      "--- | --- | --- |\n");
  for (int items : {1, 10, 100, 1000}) {
    const double ms =
        timePerRequest(host.port(), readSignalTarget(items), items >= 1000 ? 20 : 100, 20);
    std::printf("| %d | %.3f | %.4f |\n", items, ms, ms / items);
  }
  std::printf("\n| file | ms | ms per MiB |\n| --- | --- | --- |\n");
  for (size_t size = 1024; size <= 16u << 20; size *= 4) {
    const std::string name = "/g" + std::to_string(size) + ".bin";
    writeFile(root + name, size);
    const double ms = timePerRequest(host.port(), name, size >= (4u << 20) ? 20 : 100, size);
    std::printf("| %zu KiB | %.3f | %.3f |\n", size / 1024, ms, ms / (double(size) / (1 << 20)));
  }
  host.stop();
  before.stop();

  // The mask bench prints its own table; it is shown as it comes.
  const std::string maskBench = buildDir() + "/bin/bench_mask_bench";
  if (::access(maskBench.c_str(), X_OK) == 0) {
    std::printf("\nMasks (bench_mask_bench, one process):\n\n```\n");
    std::fflush(stdout);
    const int status = std::system((maskBench + " 2>&1").c_str());
    std::printf("```\n");
    if (status != 0) std::printf("bench_mask_bench failed (status %d)\n", status);
  }
  return 0;
}
