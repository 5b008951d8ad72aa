// Connection limits, time-outs, load and stopping of a running ft-host.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/FtHost.h"

namespace {

const std::string kConf = "data:/Configuration/OrvaneFunctionTests/";

std::string hostData(const std::string& extra) {
  return "<host ecu=\"DEMO\"><data>"
         "<string key=\"data:/Configuration/OrvaneData/OrvaneDataRoot\">files</string>" +
         extra + "</data><ecu name=\"DEMO\"/></host>";
}

std::string integer(const std::string& name, int value) {
  return "<integer key=\"" + kConf + name + "\">" + std::to_string(value) + "</integer>";
}

void putHello(const FtHostProcess& host) {
  std::filesystem::create_directories(host.dir() + "/files");
  std::ofstream(host.dir() + "/files/hello.txt", std::ios::binary) << "hello";
}

// A client that connects and then says nothing.
class IdleClient {
 public:
  explicit IdleClient(int port) {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    connected = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  }
  ~IdleClient() { ::close(fd); }
  // What arrives until the server closes; "<open>" when it has not within timeoutMs.
  std::string readUntilClosed(int timeoutMs) {
    std::string out;
    char buf[1024];
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, timeoutMs) <= 0) return "<open>";
      ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) return out;
      out.append(buf, size_t(n));
    }
  }
  int fd;
  bool connected;
};

size_t waitForLogLines(const FtHostProcess& host, const std::string& needle, size_t n) {
  size_t count = 0;
  for (int i = 0; i < 500; ++i) {
    count = countLogLines(host.log(), needle);
    if (count >= n) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return count;
}

TEST(ServerConnections, IdleClientIsClosedAfterTheReceiveTimeoutWhileOthersAreServed) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(hostData(integer("ReceiveTimeout", 300)))) << host.output();
  putHello(host);
  IdleClient idle(host.port());
  ASSERT_TRUE(idle.connected);
  for (int i = 0; i < 5; ++i)
    EXPECT_NE(httpGet(host.port(), "/hello.txt").find("hello"), std::string::npos);
  EXPECT_EQ(idle.readUntilClosed(10000), "");
  EXPECT_EQ(waitForLogLines(host, "nothing received within 300 ms", 1), 1u);
  EXPECT_EQ(host.stop(), 0);
}

TEST(ServerConnections, ConnectionsBeyondMaxConnectionsAreClosedUnanswered) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(hostData(integer("MaxConnections", 2) + integer("ReceiveTimeout", 0))))
      << host.output();
  putHello(host);
  {
    IdleClient first(host.port()), second(host.port());
    ASSERT_TRUE(first.connected && second.connected);
    // Accepted in connect order: these two hold both places.
    EXPECT_EQ(httpGet(host.port(), "/hello.txt"), "");
    EXPECT_EQ(waitForLogLines(host, "connections are being served already", 1), 1u);
  }
  // Once the two have gone, there is room again.
  std::string reply;
  for (int i = 0; i < 500 && reply.empty(); ++i) {
    reply = httpGet(host.port(), "/hello.txt");
    if (reply.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_NE(reply.find("hello"), std::string::npos);
  EXPECT_EQ(host.stop(), 0);
}

TEST(ServerConnections, TwoHundredConcurrentClientsAreAllAnswered) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(hostData(""))) << host.output();
  putHello(host);
  const std::string expected = httpGet(host.port(), "/hello.txt");
  ASSERT_NE(expected.find("hello"), std::string::npos);
  constexpr int kClients = 200;
  std::vector<std::string> replies(kClients);
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i)
    clients.emplace_back([&, i] {
      replies[i] = httpExchange(host.port(), "GET /hello.txt HTTP/1.0\r\n\r\n", 30000);
    });
  for (auto& c : clients) c.join();
  int answered = 0;
  for (const auto& r : replies) answered += r == expected;
  EXPECT_EQ(answered, kClients);
  EXPECT_EQ(host.stop(), 0);
}

TEST(ServerConnections, SigtermStopsPromptlyDespiteAnIdleClient) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(hostData(""))) << host.output();  // receive time-out 30 s
  IdleClient idle(host.port());
  ASSERT_TRUE(idle.connected);
  EXPECT_EQ(httpGet(host.port(), "/retrieveInitialValue"), "HTTP/1.0 404 Not Found \r\n\r\n");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(host.stop(), 0);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(idle.readUntilClosed(1000), "");
  EXPECT_FALSE(ft_test::detail::isListening(host.port()));
  // Far below the 30 s the idle connection would otherwise hold the host.
  EXPECT_LT(elapsed, std::chrono::seconds(5));
}

}  // namespace
