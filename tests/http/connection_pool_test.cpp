// How the threads that accept and serve connections grow, retire and stop.
// Guards against: more or fewer threads than connections plus one accepting,
// idle threads never retiring (or the last one retiring), a stop that waits
// for an accept, an accepted socket timing out by the accept's wait.
#include <ace/Thread_Manager.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "StandinLog.h"
#include "dispatch/CommandRouter.h"
#include "http/ConnectionPool.h"
#include "http/ConnectionRegistry.h"
#include "platform/Platform.h"
#include "support/ft_host.h"

namespace {

bool waitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 1000 && !done(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

// The far end has closed the connection.
bool sawEnd(int fd) {
  return detail::readUntilClosed(fd, 10000).empty();
}

class ConnectionPoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinLog::setStderr(false);
    StandinLog::setLevel(MakoraLog_Static::Error);
    listening = detail::listenOnLoopback(port);
    ASSERT_GE(listening, 0);
  }
  void TearDown() override {
    for (int fd : clients) ::close(fd);
  }
  // Starts the pool; an accept waits acceptWaitMs before its thread may retire.
  void start(int maxConnections, int acceptWaitMs) {
    registry.setSettings({maxConnections, 0, 0});
    Platform::setReceiveTimeout(listening, acceptWaitMs);
    ASSERT_TRUE(registry.pool().start(listening, ConnectionContext{&router, &registry, kGroup}));
  }
  int connect() {
    const int fd = detail::connectTo(port);
    EXPECT_GE(fd, 0);
    clients.push_back(fd);
    return fd;
  }
  bool threadsEnded() {
    ACE_thread_t thread;
    return ACE_Thread_Manager::instance()->thread_grp_list(kGroup, &thread, 1) == 0;
  }

  static constexpr int kGroup = 4711;
  int listening = -1;
  int port = 0;
  std::vector<int> clients;
  const CommandRouter router;
  ConnectionRegistry registry;
};

// Each connection has a thread of its own and one more thread accepts (which
// place a newcomer takes at the limit is ServerConnections').
TEST_F(ConnectionPoolTest, OneThreadPerConnectionAndOneAccepting) {
  start(3, 3600 * 1000);
  ConnectionPool& pool = registry.pool();
  for (int i = 0; i < 3; ++i) connect();
  EXPECT_TRUE(waitFor([&] { return registry.size() == 3 && pool.accepting() == 1; }));
  EXPECT_EQ(pool.threads(), 4);

  // A stop ends the accepting thread at once, though its accept would wait
  // an hour; the serving ones end with their connections.
  pool.stop();
  EXPECT_EQ(registry.size(), 3);
  registry.shutdownAll();
  EXPECT_TRUE(waitFor([&] { return threadsEnded(); }));
  for (size_t i = 0; i < clients.size(); ++i) EXPECT_TRUE(sawEnd(clients[i])) << i;
}

// Threads that wait in accept for their time retire, all but one.
TEST_F(ConnectionPoolTest, IdleThreadsRetireDownToOneAccepting) {
  start(8, 100);
  ConnectionPool& pool = registry.pool();
  for (int i = 0; i < 3; ++i) connect();
  EXPECT_TRUE(waitFor([&] { return registry.size() == 3 && pool.accepting() >= 1; }));
  EXPECT_GE(pool.threads(), 4);
  for (int fd : clients) ::close(fd);
  clients.clear();
  EXPECT_TRUE(waitFor([&] { return pool.threads() == 1 && pool.accepting() == 1; }));
  // The last one still serves, and the accepted socket waits without limit
  // like the registry says, not for the accept's time.
  const int client = connect();
  EXPECT_TRUE(waitFor([&] { return registry.size() == 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(registry.size(), 1);
  ::shutdown(client, SHUT_WR);
  EXPECT_TRUE(sawEnd(client));
  pool.stop();
  EXPECT_TRUE(waitFor([&] { return threadsEnded(); }));
}

}  // namespace
