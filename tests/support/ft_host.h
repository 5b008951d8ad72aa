// Test harness shared by the integration tests: runs ft-host on a free port
// against a data file written to a fresh folder, and talks raw HTTP to it.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace ft_test {

const std::string k404 = "HTTP/1.0 404 Not Found \r\n\r\n";
const std::string kHtml =
    "HTTP/1.0 200 Ok\r\nContent-Type: text/html; charset=\"utf-8\"\r\n"
    "Access-Control-Allow-Origin: http://127.0.0.1\r\n\r\n";

namespace detail {

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline sockaddr_in loopback(int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  return addr;
}

// A port nobody listens on right now: the kernel picks it for a bind to 0.
inline int pickFreePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr = loopback(0);
  socklen_t len = sizeof addr;
  int port = -1;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    port = ntohs(addr.sin_port);
  ::close(fd);
  return port;
}

// A socket of the kernel's tables: addresses as "0100007F:1F90", state "0A" listening,
// "01" established; queues "tx_queue:rx_queue" in hex. Reading them opens no connection the
// server would have to handle.
struct SocketRow {
  std::string local, remote, state, queues;
};
inline std::vector<SocketRow> socketRows() {
  std::vector<SocketRow> rows;
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::istringstream lines(readFile(table));
    std::string line, slot;
    std::getline(lines, line);  // header
    for (SocketRow row; lines >> slot >> row.local >> row.remote >> row.state >> row.queues &&
                        std::getline(lines, line);)
      rows.push_back(row);
  }
  return rows;
}

inline bool isListening(int port) {
  char hexPort[8];
  std::snprintf(hexPort, sizeof hexPort, ":%04X", port);
  for (const SocketRow& row : socketRows())
    if (row.state == "0A" && row.local.size() > 5 &&
        row.local.compare(row.local.size() - 5, 5, hexPort) == 0)
      return true;
  return false;
}

// The threads of a process; 0 once it has gone.
inline size_t threadsOf(pid_t pid) {
  std::error_code ec;
  size_t count = 0;
  for (std::filesystem::directory_iterator it("/proc/" + std::to_string(pid) + "/task", ec), end;
       !ec && it != end; it.increment(ec))
    ++count;
  return count;
}

// A connected socket, or -1; a receive buffer of receiveBuffer bytes when given, so that a
// reply fills it fast.
inline int connectTo(int port, int receiveBuffer = 0) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && receiveBuffer > 0)
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_in addr = loopback(port);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
  if (fd >= 0) ::close(fd);
  return -1;
}

// A socket listening on a loopback port the kernel picks, which port receives; -1 on failure.
inline int listenOnLoopback(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr = loopback(0);
  socklen_t length = sizeof addr;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
    ::close(fd);
    return -1;
  }
  port = ntohs(addr.sin_port);
  return fd;
}

// What arrives on fd until the peer closes; "<open>" when it has not within timeoutMs.
inline std::string readUntilClosed(int fd, int timeoutMs) {
  std::string out;
  char buf[65536];
  pollfd p{fd, POLLIN, 0};
  for (ssize_t n;;) {
    if (::poll(&p, 1, timeoutMs) <= 0) return "<open>";
    if ((n = ::recv(fd, buf, sizeof buf, 0)) <= 0) return out;
    out.append(buf, size_t(n));
  }
}

// Starts ft-host with stdout to outPath and stderr to errPath (the same file
// when equal). The pid, or -1.
inline pid_t spawnHost(const std::vector<std::string>& options, const std::string& outPath,
                       const std::string& errPath) {
  std::vector<std::string> args = {std::string(FT_BINARY_DIR) + "/bin/ft-host"};
  args.insert(args.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0644);
  if (errPath == outPath)
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  else
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

// Waits for the end (SIGKILL after the bound): the exit status, or 128 + the signal.
inline int waitForExit(pid_t pid, std::chrono::milliseconds bound = std::chrono::seconds(20)) {
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + bound;
  pid_t r;
  while ((r = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (r == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace detail

// A fresh folder named prefix-XXXXXX, removed with its content at the end; path() is empty when
// it could not be made.
class TempDir {
 public:
  explicit TempDir(
      const std::string& prefix = (std::filesystem::temp_directory_path() / "ft-test").string())
      : path_(prefix + "-XXXXXX") {
    if (!::mkdtemp(path_.data())) path_.clear();
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class FtHostProcess {
 public:
  FtHostProcess() = default;
  FtHostProcess(const FtHostProcess&) = delete;
  FtHostProcess& operator=(const FtHostProcess&) = delete;
  ~FtHostProcess() { stop(); }

  // Writes the data file, starts ft-host on a free port and waits (10 s at
  // most) until it says it serves. False when it exited or never listened; output()
  // and log() then tell why.
  bool start(const std::string& dataFileXmlText, const std::vector<std::string>& extraArgs = {}) {
    if (pid_ > 0 || dir_.empty()) return false;
    if (!(std::ofstream(dir_ + "/host.xml", std::ios::binary) << dataFileXmlText)) return false;
    // Another process may take the port between the pick and ft-host's bind.
    for (int attempt = 0; attempt < 3; ++attempt) {
      port_ = detail::pickFreePort();
      std::vector<std::string> args = {"--data",     dir_ + "/host.xml",
                                       "--port",     std::to_string(port_),
                                       "--log-file", dir_ + "/host.log"};
      // The tests count component and event lines, which the default level leaves out.
      if (std::find(extraArgs.begin(), extraArgs.end(), "--log-level") == extraArgs.end())
        args.insert(args.end(), {"--log-level", "info"});
      args.insert(args.end(), extraArgs.begin(), extraArgs.end());
      std::ofstream(dir_ + "/output.txt", std::ios::trunc);  // a restart announces itself anew
      pid_ = detail::spawnHost(args, dir_ + "/output.txt", dir_ + "/output.txt");
      if (pid_ <= 0) return false;
      if (waitUntilListening()) return true;
      stop();
    }
    return false;
  }

  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  std::string dir() const { return dir_; }
  std::string log() const { return detail::readFile(dir_ + "/host.log"); }
  // ft-host's standard output and error together.
  std::string output() const { return detail::readFile(dir_ + "/output.txt"); }

  // SIGTERM, then waits (SIGKILL after the bound): the exit status; -1 when it was not running.
  int stop(std::chrono::milliseconds bound = std::chrono::seconds(20)) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    const int status = detail::waitForExit(pid_, bound);
    pid_ = -1;
    return status;
  }

 private:
  bool waitUntilListening() {
    for (int i = 0; i < 1000; ++i) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      // ft-host announces the server once it listens.
      if (output().find("ft-host: serving ") != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  const TempDir folder_{(std::filesystem::temp_directory_path() / "ft-host").string()};
  const std::string dir_ = folder_.path();
  int port_ = -1;
  pid_t pid_ = -1;
};

// Sends the bytes on the connected socket fd, then reads until the peer
// closes or timeoutMs have passed in all, and closes fd. Whatever arrived.
inline std::string httpExchangeOn(int fd, const std::string& rawBytes, int timeoutMs = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  auto remainingMs = [&] {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    return left > 0 ? static_cast<int>(left) : 0;
  };
  // Loopback buffers take any request a test sends.
  ssize_t n = 0;
  for (size_t sent = 0; sent < rawBytes.size() && n >= 0; sent += size_t(n))
    n = ::send(fd, rawBytes.data() + sent, rawBytes.size() - sent, MSG_NOSIGNAL);
  std::string reply;
  char buf[8192];
  pollfd p{fd, POLLIN, 0};
  for (; ::poll(&p, 1, remainingMs()) > 0 && (n = ::recv(fd, buf, sizeof buf, 0)) > 0;)
    reply.append(buf, static_cast<size_t>(n));
  ::close(fd);
  return reply;
}

// The same on a new connection; empty when the connect failed.
inline std::string httpExchange(int port, const std::string& rawBytes, int timeoutMs = 5000) {
  const int fd = detail::connectTo(port);
  return fd < 0 ? std::string() : httpExchangeOn(fd, rawBytes, timeoutMs);
}

inline std::string httpGet(int port, const std::string& target) {
  return httpExchange(port, "GET " + target + " HTTP/1.0\r\n\r\n");
}

// Lines of the log that contain the needle.
inline size_t countLogLines(const std::string& log, const std::string& needle) {
  size_t count = 0;
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) count += line.find(needle) != line.npos;
  return count;
}

// Waits (5 s at most) until the log holds at least n lines with the needle.
inline size_t waitForLogLines(const FtHostProcess& host, const std::string& needle, size_t n) {
  size_t count = 0;
  for (int i = 0; i < 500 && (count = countLogLines(host.log(), needle)) < n; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return count;
}

// What a scrambled file holds for the bytes.
inline std::string scrambled(std::string bytes) {
  for (char& b : bytes) b = static_cast<char>(~static_cast<unsigned char>(b));
  return bytes;
}

// An integer setting of the component as the data file gives it.
inline std::string setting(const std::string& name, int value) {
  return "<integer key=\"data:/Configuration/OrvaneFunctionTests/" + name + "\">" +
         std::to_string(value) + "</integer>";
}

inline void put(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace ft_test

using namespace ft_test;
