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

#include <cerrno>
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

namespace detail {

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// A port nobody listens on right now: the kernel picks it for a bind to 0.
inline int pickFreePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  int port = -1;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    port = ntohs(addr.sin_port);
  ::close(fd);
  return port;
}

// Whether some socket listens on the port, read from the kernel's tables so
// that probing does not open a connection the server would have to handle.
inline bool isListening(int port) {
  char hexPort[8];
  std::snprintf(hexPort, sizeof hexPort, ":%04X", port);
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::istringstream lines(readFile(table));
    std::string line;
    std::getline(lines, line);  // header
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state;
      fields >> slot >> local >> remote >> state;
      if (state == "0A" && local.size() > 5 && local.compare(local.size() - 5, 5, hexPort) == 0)
        return true;
    }
  }
  return false;
}

}  // namespace detail

class FtHostProcess {
 public:
  FtHostProcess() = default;
  FtHostProcess(const FtHostProcess&) = delete;
  FtHostProcess& operator=(const FtHostProcess&) = delete;
  ~FtHostProcess() {
    stop();
    if (!dir_.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(dir_, ec);
    }
  }

  // Writes the data file, starts ft-host on a free port and waits (10 s at
  // most) until the port listens. False when ft-host exited or never listened;
  // output() and log() then tell why.
  bool start(const std::string& dataFileXmlText, const std::vector<std::string>& extraArgs = {}) {
    if (pid_ > 0) return false;
    if (dir_.empty()) {
      std::string templ = (std::filesystem::temp_directory_path() / "ft-host-XXXXXX").string();
      if (!::mkdtemp(templ.data())) return false;
      dir_ = templ;
    }
    {
      std::ofstream out(dir_ + "/host.xml", std::ios::binary | std::ios::trunc);
      out << dataFileXmlText;
      if (!out) return false;
    }
    // Another process may take the port between the pick and ft-host's bind.
    for (int attempt = 0; attempt < 3; ++attempt) {
      port_ = detail::pickFreePort();
      if (port_ <= 0) return false;
      if (!spawn(extraArgs)) return false;
      if (waitUntilListening()) return true;
      stop();
    }
    return false;
  }

  int port() const { return port_; }
  std::string dir() const { return dir_; }
  std::string log() const { return detail::readFile(dir_ + "/host.log"); }
  // ft-host's standard output and error together.
  std::string output() const { return detail::readFile(dir_ + "/output.txt"); }
  bool running() const { return pid_ > 0; }
  // The exit status when ft-host ended by itself during start; -1 otherwise.
  int exitStatus() const { return exitStatus_; }

  // SIGTERM, then waits (SIGKILL after 20 s). The exit status; 128 + the signal
  // when a signal ended it; -1 when it was not running.
  int stop() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    pid_t r;
    while ((r = ::waitpid(pid_, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (r == 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return decode(status);
  }

 private:
  static int decode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
  }

  bool spawn(const std::vector<std::string>& extraArgs) {
    std::vector<std::string> args = {std::string(FT_BINARY_DIR) + "/bin/ft-host",
                                     "--data",
                                     dir_ + "/host.xml",
                                     "--port",
                                     std::to_string(port_),
                                     "--log-file",
                                     dir_ + "/host.log"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string outPath = dir_ + "/output.txt";
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    pid_ = pid;
    return true;
  }

  bool waitUntilListening() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        exitStatus_ = decode(status);
        return false;
      }
      if (detail::isListening(port_)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  std::string dir_;
  int port_ = -1;
  pid_t pid_ = -1;
  int exitStatus_ = -1;
};

// Connects to 127.0.0.1:port, sends the bytes and reads until the peer closes
// or timeoutMs have passed in all. Whatever arrived; empty when the connect failed.
inline std::string httpExchange(int port, const std::string& rawBytes, int timeoutMs = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  auto remainingMs = [&] {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    return left > 0 ? static_cast<int>(left) : 0;
  };
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return {};
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return {};
  }
  size_t sent = 0;
  while (sent < rawBytes.size()) {
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, remainingMs()) <= 0) break;
    ssize_t n = ::send(fd, rawBytes.data() + sent, rawBytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  std::string reply;
  char buf[8192];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, remainingMs()) <= 0) break;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    reply.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return reply;
}

inline std::string httpGet(int port, const std::string& target) {
  return httpExchange(port, "GET " + target + " HTTP/1.0\r\n\r\n");
}

// Lines of the log that contain the needle.
inline size_t countLogLines(const std::string& log, const std::string& needle) {
  size_t count = 0;
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line))
    if (line.find(needle) != std::string::npos) ++count;
  return count;
}

}  // namespace ft_test

using ft_test::countLogLines;
using ft_test::FtHostProcess;
using ft_test::httpExchange;
using ft_test::httpGet;
