// ft-host side by side with Debian's nginx and civetweb and a floor server on
// the same files, measured in one run with two load clients (bench_load_client
// and ApacheBench), runs interleaved so that the machine's drifting load hits
// every server alike: the ratios are the result, the absolute figures only
// their context. Then growth curves and the mask bench.
//
//   bench_http_compare [--seconds S] [--rounds N] [--host-dir DIR] [--before DIR] [--quick]
//   DIR holds bin/ft-host and lib/ of another build: --host-dir measures it
//   instead of this build's, --before beside it in the same rounds.
//   --quick: the files and getText at 8 and 64 clients against civetweb only,
//   for trying a change.
#include <pwd.h>
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
#include <memory>
#include <string>
#include <tuple>
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

// A file under /proc, up to limit bytes; empty when it cannot be read.
std::string procText(const std::filesystem::path& path, size_t limit) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return {};
  std::string text(limit, '\0');
  text.resize(std::fread(text.data(), 1, limit, file));
  std::fclose(file);
  return text;
}

// The fields of /proc/PID/stat after the name, which may hold blanks: they start
// behind its ')'. Null when the process is gone.
const char* statFields(const std::string& stat) {
  const char* end = std::strrchr(stat.c_str(), ')');
  return end == nullptr ? nullptr : end + 1;
}

// Every process there is now.
std::vector<pid_t> processes() {
  std::vector<pid_t> ids;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") == std::string::npos)
      ids.push_back(static_cast<pid_t>(std::atoi(name.c_str())));
  }
  return ids;
}

std::filesystem::path procFile(pid_t pid, const char* leaf) {
  return std::filesystem::path("/proc") / std::to_string(pid) / leaf;
}

// Processor time (user and system) the process has used so far, in µs.
double cpuTimeUs(pid_t pid) {
  const std::string stat = procText(procFile(pid, "stat"), 1023);
  const char* fields = statFields(stat);
  unsigned long user = 0, system = 0;
  if (fields == nullptr ||
      std::sscanf(fields, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) !=
          2)
    return 0;
  return double(user + system) * 1e6 / double(::sysconf(_SC_CLK_TCK));
}

// The processor time of a process and its children (nginx's workers).
double cpuTimeTreeUs(pid_t pid) {
  double total = cpuTimeUs(pid);
  for (const pid_t child : processes()) {
    const std::string stat = procText(procFile(child, "stat"), 1023);
    const char* fields = statFields(stat);
    int parent = 0;
    if (fields != nullptr && std::sscanf(fields, " %*c %d", &parent) == 1 && parent == pid)
      total += cpuTimeUs(child);
  }
  return total;
}

// The process whose command line holds both texts, or -1.
pid_t findProcess(const std::string& program, const std::string& argument) {
  for (const pid_t pid : processes()) {
    const std::string line = procText(procFile(pid, "cmdline"), 4095);
    if (line.find(program) != std::string::npos && line.find(argument) != std::string::npos)
      return pid;
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

// The load clients: the project's own, and ApacheBench.
enum Tool { kLoadClient, kApacheBench };
const char* const kToolNames[] = {"bench_load_client", "ApacheBench"};

Figures runLoad(Tool tool, int port, pid_t server, const std::string& target, int clients,
                int seconds) {
  char command[768];
  if (tool == kLoadClient)
    std::snprintf(command, sizeof command, "'%s/bin/bench_load_client' %d '%s' %d %d 2>&1",
                  buildDir().c_str(), port, target.c_str(), clients, seconds);
  else
    // HTTP/1.0, a connection per request; -n only bounds the table ab allocates.
    std::snprintf(command, sizeof command,
                  "ab -q -r -t %d -n 400000 -c %d 'http://127.0.0.1:%d%s' 2>&1", seconds, clients,
                  port, target.c_str());
  Figures f;
  const double cpuBefore = cpuTimeTreeUs(server);
  const auto start = std::chrono::steady_clock::now();
  FILE* out = ::popen(command, "r");
  if (out == nullptr) return f;
  char line[512];
  long requests = 0;
  long failed = 0;
  long non2xx = 0;
  while (std::fgets(line, sizeof line, out) != nullptr) {
    if (tool == kLoadClient) {
      std::sscanf(line, "requests %ld rps %lf p50 %lf p99 %lf errors %ld", &requests, &f.rps,
                  &f.p50, &f.p99, &f.errors);
      continue;
    }
    std::sscanf(line, "Complete requests: %ld", &requests);
    std::sscanf(line, "Failed requests: %ld", &failed);
    std::sscanf(line, "Non-2xx responses: %ld", &non2xx);
    std::sscanf(line, "Requests per second: %lf", &f.rps);
    std::sscanf(line, " 50%% %lf", &f.p50);
    std::sscanf(line, " 99%% %lf", &f.p99);
  }
  ::pclose(out);
  if (tool == kApacheBench) f.errors = failed + non2xx;
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (f.rps > 0 && requests > 0)
    f.cpuUs = (cpuTimeTreeUs(server) - cpuBefore) / double(requests);
  else if (f.rps > 0)
    f.cpuUs = (cpuTimeTreeUs(server) - cpuBefore) / (f.rps * elapsed);
  return f;
}

// nginx in a folder of its own, run as a child of this process: the
// configuration the issue measured with, temporary files kept in the folder.
class Nginx {
 public:
  Nginx(const std::string& root, int port) {
    char folder[] = "/tmp/ft-bench-nginx-XXXXXX";
    if (::mkdtemp(folder) == nullptr) return;
    dir_ = folder;
    // Run as root, nginx's workers would switch to nobody, who cannot read the files.
    std::string user;
    if (::geteuid() == 0)
      if (const passwd* pw = ::getpwuid(::geteuid()))
        user = std::string("user ") + pw->pw_name + ";\n";
    const std::string conf =
        user + "worker_processes 2;\ndaemon off;\npid " + dir_ + "/nginx.pid;\nerror_log " + dir_ +
        "/error.log;\nevents { worker_connections 1024; }\nhttp {\n  sendfile on;\n  tcp_nopush "
        "on;\n  keepalive_timeout 0;\n  access_log off;\n  default_type "
        "application/octet-stream;\n  client_body_temp_path " +
        dir_ + "/body;\n  proxy_temp_path " + dir_ + "/proxy;\n  fastcgi_temp_path " + dir_ +
        "/fastcgi;\n  uwsgi_temp_path " + dir_ + "/uwsgi;\n  scgi_temp_path " + dir_ +
        "/scgi;\n  server {\n    listen 127.0.0.1:" + std::to_string(port) + ";\n    root " + root +
        ";\n  }\n}\n";
    put(dir_ + "/nginx.conf", conf);
    child_ = std::make_unique<Child>(std::vector<std::string>{
        "nginx", "-p", dir_ + "/", "-c", dir_ + "/nginx.conf", "-e", dir_ + "/error.log"});
  }
  ~Nginx() {
    child_.reset();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  bool running() const { return child_ && child_->running(); }
  pid_t pid() const { return child_ ? child_->pid() : -1; }

 private:
  std::string dir_;
  std::unique_ptr<Child> child_;
};

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
  const int nginxPort = detail::pickFreePort();
  std::unique_ptr<Nginx> nginx;
  if (!quick) {
    nginx = std::make_unique<Nginx>(root, nginxPort);
    if (!nginx->running() || !waitListening(nginxPort)) {
      std::fprintf(stderr, "bench_http_compare: nginx did not start\n");
      return 1;
    }
  }

  std::vector<Load> loads = {
      {"2 KiB file", "/f2k.bin", true},
      {"200 KiB file", "/f200k.bin", true},
      {"getText", "/getText?textCode=T1;T2&origin=K", false},
      {"readSignal 4", readSignalTarget(4), false},
  };
  std::vector<int> clientCounts = {1, 8, 64};
  std::vector<Tool> tools = {kLoadClient, kApacheBench};
  if (quick) {
    loads.pop_back();
    clientCounts = {8, 64};
    tools = {kLoadClient};
  }
  // [tool, load, clients][server]: 0 ft-host, 1 civetweb, 2 floor, 3 before, 4 nginx.
  constexpr int kServers = 5;
  std::map<std::tuple<int, size_t, int>, Figures[kServers]> results;
  long errors = 0;
  for (int round = 0; round < rounds; ++round) {
    for (const Tool tool : tools) {
      for (size_t l = 0; l < loads.size(); ++l) {
        for (int clients : clientCounts) {
          auto& slot = results[{tool, l, clients}];
          // Alternate the order so that no server always runs first.
          const int order[2][kServers] = {{0, 4, 1, 2, 3}, {3, 2, 1, 4, 0}};
          for (int s : order[round % 2]) {
            if ((s == 1 || s == 2 || s == 4) && !loads[l].peers) continue;
            if ((quick && s == 2) || (s == 3 && beforePid < 0) || (s == 4 && !nginx)) continue;
            const int ports[] = {host.port(), civetPort, floorPort, before.port(), nginxPort};
            const pid_t pids[] = {hostPid, civetweb.pid(), floor.pid(), beforePid,
                                  nginx ? nginx->pid() : -1};
            const Figures f = runLoad(tool, ports[s], pids[s], loads[l].target, clients, seconds);
            errors += f.errors;
            keepBest(slot[s], f);
          }
        }
      }
    }
  }

  std::printf(
      "One connection per request, read to the close, %d s per run, best of %d interleaved "
      "rounds; ft-host at --log-level warning; nginx: 2 workers, sendfile, tcp_nopush, no "
      "keepalive, "
      "no access log; civetweb -num_threads 64; floor: 64 threads, recv + sendfile; CPU: the "
      "server's processor time (user + system, nginx's workers included) per request\n",
      seconds, rounds);
  for (const Tool tool : tools) {
    std::printf("\n%s:\n\n", kToolNames[tool]);
    std::printf(
        "| load | clients | ft-host req/s | p50/p99 ms | CPU µs/req | nginx req/s | p50/p99 ms | "
        "CPU µs/req | floor req/s | p50/p99 ms | CPU µs/req | civetweb req/s | ft/nginx | "
        "ft/floor | ft/civetweb |\n");
    std::printf(
        "| --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- "
        "|\n");
    for (size_t l = 0; l < loads.size(); ++l) {
      for (int clients : clientCounts) {
        const Figures* r = results[{tool, l, clients}];
        // Commands have no peer: they are set against the peers' 2 KiB file.
        const Figures* peer = loads[l].peers ? r : results[{tool, 0, clients}];
        char a[32], b[32], c[32];
        std::printf(
            "| %s | %d | %.0f | %.2f / %.2f | %.0f | %.0f | %.2f / %.2f | %.0f | %.0f | %.2f / "
            "%.2f | %.0f | %.0f | %s | %s | %s |\n",
            loads[l].name.c_str(), clients, r[0].rps, r[0].p50, r[0].p99, r[0].cpuUs, peer[4].rps,
            peer[4].p50, peer[4].p99, peer[4].cpuUs, peer[2].rps, peer[2].p50, peer[2].p99,
            peer[2].cpuUs, peer[1].rps, fmtRatio(a, sizeof a, r[0].rps, peer[4].rps),
            fmtRatio(b, sizeof b, r[0].rps, peer[2].rps),
            fmtRatio(c, sizeof c, r[0].rps, peer[1].rps));
      }
    }
  }
  if (errors > 0)
    std::printf("\n%ld connections ended without a reply or with a short one\n", errors);
  if (beforePid > 0) {
    std::printf(
        "\nThe ft-host of %s in the same rounds:\n\n| load | clients | before req/s | p50/p99 ms | "
        "CPU µs/req | after/before | before/civetweb |\n| --- | --- | --- | --- | --- | --- | --- "
        "|\n",
        beforeDir.c_str());
    for (size_t l = 0; l < loads.size(); ++l) {
      for (int clients : clientCounts) {
        const Figures* r = results[{kLoadClient, l, clients}];
        const Figures* peer = loads[l].peers ? r : results[{kLoadClient, 0, clients}];
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
