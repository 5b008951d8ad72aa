// The component's life: its settings from the host, run, stop and destruction.
// Guards against: a port or connection setting not read, wrapped or not
// warned about when out of range, a run before configure or on port 0
// accepted, a run after stop serving, the listening socket outliving stop or
// destruction, destruction not waiting for live connections.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "component/CQFTServer.h"
#include "support/ft_host.h"
#include "support/standin_host_test.h"

namespace {

const char kPortKey[] = "data:/Configuration/OrvaneFunctionTests/SocketPort";
const std::string kConf = "data:/Configuration/OrvaneFunctionTests/";

std::string integer(const std::string& key, long long value) {
  return "<integer key=\"" + key + "\">" + std::to_string(value) + "</integer>";
}

// Polls (5 s at most) until the port's listening state is the one wanted.
bool listeningBecomes(int port, bool wanted) {
  for (int i = 0; i < 1000; ++i) {
    if (ft_test::detail::isListening(port) == wanted) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

class ServerTest : public StandinHostTest {
 protected:
  void TearDown() override {
    server.reset();
    StandinHostTest::TearDown();
  }
  void configure(const std::string& data) {
    ASSERT_NO_FATAL_FAILURE(load(data));
    server = std::make_unique<CQFTServer>(ID("OrvFTServer"));
    ASSERT_TRUE(server->configure(QStringLiteral("DEMO")));
  }
  static size_t logged(const std::vector<LogRecord>& records, MakoraLog_Static::Level level,
                       const std::string& message) {
    return std::count_if(records.begin(), records.end(), [&](const LogRecord& r) {
      return r.level == level && r.className == "CQFTServer" && r.message == message;
    });
  }
  std::unique_ptr<CQFTServer> server;
};

TEST_F(ServerTest, PortFromConfiguration) {
  const std::pair<std::optional<long long>, int> cases[] = {
      {std::nullopt, 61111},
      {65536 + 8080, 65536 + 8080},
      {-1, -1},
  };
  for (const auto& [stored, port] : cases) {
    configure(stored ? integer(kPortKey, *stored) : "");
    EXPECT_EQ(server->getEndpoint().port, port) << (stored ? std::to_string(*stored) : "absent");
  }
}

TEST_F(ServerTest, RunBeforeConfigureAndWithPortZeroIsRefused) {
  StandinLog::startCapture();
  server = std::make_unique<CQFTServer>(ID("OrvFTServer"));
  server->run();
  configure(integer(kPortKey, 0));
  server->run();
  EXPECT_EQ(logged(StandinLog::takeCaptured(), MakoraLog_Static::Error,
                   "[CQFTServer::run()]: Port not configured, CQFTServer::configure() must me "
                   "executed"),
            2u);
  server->stop();  // never ran: must return at once
  server->stop();
}

TEST_F(ServerTest, RunAfterStopServesNothing) {
  const int port = ft_test::detail::pickFreePort();
  configure(integer(kPortKey, port));
  server->run();
  ASSERT_TRUE(listeningBecomes(port, true));
  server->stop();
  StandinLog::startCapture();
  server->run();
  // Either the listener could not open the port or its ended loop let it go at once.
  bool done = false;
  for (int i = 0; i < 1000 && !done; ++i) {
    for (const auto& r : StandinLog::takeCaptured())
      done |= r.message == "[ServerThread::run()]: error opening port." ||
              r.message == "[serverSvc()]: shutting down server daemon";
    if (!done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(done);
  EXPECT_EQ(httpExchange(port, "OPTIONS / HTTP/1.0\r\n\r\n", 1000), "");
  server->stop();
}

// The port is stored above 16 bits: only its low 16 bits count. Destruction
// while running stops first.
TEST_F(ServerTest, ListensOnTheAddressUntilStopOrDestruction) {
  for (const char* address : {"127.0.0.1", "0.0.0.0"}) {
    SCOPED_TRACE(address);
    const int port = ft_test::detail::pickFreePort();
    configure(integer(kPortKey, 65536 + port) + "<string key=\"" + kConf + "ListenAddress\">" +
              address + "</string>");
    server->run();
    EXPECT_TRUE(listeningBecomes(port, true));
    EXPECT_EQ(httpExchange(port, "OPTIONS / HTTP/1.0\r\n\r\n").rfind("HTTP/1.0 405 Not Allowed", 0),
              0u);
    if (address[0] == '0')
      server.reset();
    else
      server->stop();
    EXPECT_FALSE(ft_test::detail::isListening(port));
  }
}

// A setting out of range falls back to its default and warns.
TEST_F(ServerTest, ConnectionSettingsAtTheirBounds) {
  using Settings = ConnectionRegistry::Settings;
  const struct {
    std::string stored;
    int Settings::*field;
    int expected;
    bool warns;
  } cases[] = {
      {"", &Settings::maxConnections, 256, false},
      {integer(kConf + "MaxConnections", 0), &Settings::maxConnections, 256, true},
      {integer(kConf + "MaxConnections", 1), &Settings::maxConnections, 1, false},
      {integer(kConf + "ReceiveTimeout", 0), &Settings::receiveTimeoutMs, 0, false},
      {integer(kConf + "ReceiveTimeout", -1), &Settings::receiveTimeoutMs, 30000, true},
      {integer(kConf + "SendTimeout", INT_MAX), &Settings::sendTimeoutMs, INT_MAX, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    StandinLog::startCapture();
    configure(c.stored);
    EXPECT_EQ(server->getConnections()->settings().*c.field, c.expected);
    const auto records = StandinLog::takeCaptured();
    EXPECT_EQ(
        std::count_if(records.begin(), records.end(),
                      [](const LogRecord& r) { return r.level == MakoraLog_Static::Warning; }),
        c.warns ? 1 : 0);
  }
}

TEST_F(ServerTest, DestructionWakesAndOutwaitsLiveConnections) {
  const int port = ft_test::detail::pickFreePort();
  configure(integer(kPortKey, port) + integer(kConf + "ReceiveTimeout", 0));
  server->run();
  ASSERT_TRUE(listeningBecomes(port, true));
  // A client that never sends holds its connection thread in the receive.
  std::string reply = "<not closed>";
  std::thread idle([&] { reply = httpExchange(port, "", 20000); });
  for (int i = 0; i < 1000 && server->getConnections()->size() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(server->getConnections()->size(), 1);
  server->stop();
  EXPECT_EQ(server->getConnections()->size(), 1);  // stop leaves connections alone
  server.reset();
  idle.join();
  EXPECT_EQ(reply, "");
}

}  // namespace
