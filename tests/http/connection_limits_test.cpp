#include <ace/Thread_Manager.h>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "StandinHost.h"
#include "StandinLog.h"
#include "component/ClientAcceptor.h"
#include "http/ConnectionRegistry.h"
#include "http/HttpDaemon.h"

namespace {

// A thread group of these tests' own, so that they can wait for their threads.
constexpr int kGroup = 7301;

// Accepted TCP connections over loopback, as the listener would hand them over.
class Loopback {
 public:
  Loopback() {
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      std::abort();
    address = addr;
  }
  ~Loopback() { ::close(listener); }
  // A new daemon holding the server end; the client end is returned in client.
  HttpDaemon* connect(int& client) {
    client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) std::abort();
    auto* daemon = new HttpDaemon();
    daemon->peer().set_handle(::accept(listener, nullptr, nullptr));
    return daemon;
  }
  int listener;
  sockaddr_in address;
};

// Everything the peer sends until it closes; "<timeout>" if it does not within 10 s.
std::string readUntilClosed(int fd) {
  std::string out;
  char buf[1024];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0) return "<timeout>";
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return out;
    out.append(buf, size_t(n));
  }
}

void waitForGroup() {
  ACE_thread_t thread;
  while (ACE_Thread_Manager::instance()->thread_grp_list(kGroup, &thread, 1) > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

int countMessages(const std::vector<LogRecord>& records, MakoraLog_Static::Level level,
                  const std::string& prefix) {
  int n = 0;
  for (const auto& r : records) n += r.level == level && r.message.rfind(prefix, 0) == 0;
  return n;
}

class ConnectionLimitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinHost::instance().clear();
    StandinLog::setLevel(MakoraLog_Static::Information);
    StandinLog::setStderr(false);
    StandinLog::startCapture();
  }
  void TearDown() override {
    waitForGroup();
    StandinLog::stopCapture();
  }
  Loopback loopback;
  ConnectionRegistry registry;
  ClientAcceptor acceptor{kGroup, &registry};
};

TEST_F(ConnectionLimitsTest, SilentConnectionIsClosedAfterTheReceiveTimeout) {
  registry.setLimits(4, 50);
  int client = -1;
  HttpDaemon* daemon = loopback.connect(client);
  ASSERT_EQ(daemon->open(&acceptor), 0);
  EXPECT_EQ(readUntilClosed(client), "");
  ::close(client);
  waitForGroup();
  EXPECT_EQ(registry.size(), 0);
  EXPECT_EQ(countMessages(StandinLog::takeCaptured(), MakoraLog_Static::Warning,
                          "[HttpDaemon::process() nothing received within 50 ms"),
            1);
}

TEST_F(ConnectionLimitsTest, ConnectionsBeyondTheLimitAreClosedUnanswered) {
  registry.setLimits(2, 0);
  int clients[3];
  HttpDaemon* daemons[3];
  for (int i = 0; i < 3; ++i) daemons[i] = loopback.connect(clients[i]);
  EXPECT_EQ(daemons[0]->open(&acceptor), 0);
  EXPECT_EQ(daemons[1]->open(&acceptor), 0);
  EXPECT_EQ(daemons[2]->open(&acceptor), -1);
  daemons[2]->close(0);  // what the acceptor does with a handler that failed to open
  EXPECT_EQ(readUntilClosed(clients[2]), "");
  EXPECT_EQ(registry.size(), 2);
  EXPECT_EQ(countMessages(StandinLog::takeCaptured(), MakoraLog_Static::Warning,
                          "[open()]: 2 connections are being served already"),
            1);

  // The two waiting without limit are woken as a server going away wakes them.
  registry.shutdownAll();
  for (int i = 0; i < 2; ++i) EXPECT_EQ(readUntilClosed(clients[i]), "");
  waitForGroup();
  EXPECT_EQ(registry.size(), 0);
  for (int fd : clients) ::close(fd);

  // Room again.
  int client = -1;
  HttpDaemon* daemon = loopback.connect(client);
  EXPECT_EQ(daemon->open(&acceptor), 0);
  const std::string request = "OPTIONS / HTTP/1.0\r\n\r\n";
  ::send(client, request.data(), request.size(), 0);
  EXPECT_EQ(readUntilClosed(client).rfind("HTTP/1.0 405 Not Allowed \r\n\r\n", 0), 0u);
  ::close(client);
}

}  // namespace
