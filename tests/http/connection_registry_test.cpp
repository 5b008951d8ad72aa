// Who keeps a place when every place is taken.
// Guards against: a sending connection or a later silent one closed for a
// newcomer, a late remove freeing a place twice.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "StandinLog.h"
#include "http/ConnectionRegistry.h"

namespace {

// The far end of a socket pair has seen the end of the stream.
bool sawEnd(int fd) {
  pollfd p{fd, POLLIN, 0};
  char byte;
  return ::poll(&p, 1, 0) == 1 && ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
}

struct Pair {
  Pair() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) std::abort();
    served = fds[0];
    client = fds[1];
  }
  ~Pair() {
    ::close(served);
    ::close(client);
  }
  int served, client;
};

class ConnectionRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinLog::setStderr(false);
    StandinLog::setLevel(MakoraLog_Static::Warning);
  }
};

// Places in the order the connections came: sending, silent, sending, silent.
// Which place goes for a newcomer is shown over sockets (ServerConnections);
// here, the later remove of the closed one.
TEST_F(ConnectionRegistryTest, FullRegistryClosesTheLongestSilentAndCountsItOnce) {
  ConnectionRegistry registry;
  registry.setSettings({4, 0, 0});
  std::vector<Pair> pairs(4);
  for (size_t i = 0; i < pairs.size(); ++i) {
    ASSERT_TRUE(registry.add(pairs[i].served));
    if (i % 2 == 0) registry.noteSending(pairs[i].served);
  }
  Pair newcomer;
  EXPECT_TRUE(registry.add(newcomer.served));
  for (size_t i = 0; i < pairs.size(); ++i) EXPECT_EQ(sawEnd(pairs[i].client), i == 1) << i;
  EXPECT_EQ(registry.size(), 4);
  // The closed connection's own remove, later, takes no one else's place.
  registry.remove(pairs[1].served);
  EXPECT_EQ(registry.size(), 4);
}

}  // namespace
