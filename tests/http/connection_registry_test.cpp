// Who keeps a place when every place is taken.
// Guards against: a connection that has sent bytes closed for a newcomer, a
// silent one other than the oldest closed, a late remove freeing a place twice.
#include <ace/Thread_Manager.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "StandinLog.h"
#include "dispatch/CommandRouter.h"
#include "http/ConnectionRegistry.h"
#include "http/HttpDaemon.h"

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

// One letter per place, in the order the connections came: 's' has sent
// nothing yet, 'b' has sent bytes. A newcomer then asks for a place.
TEST_F(ConnectionRegistryTest, FullRegistryMakesRoomByClosingTheLongestSilentConnection) {
  const struct {
    std::string places;
    bool admitted;
    int closed;  // index of the connection shut down, -1 for none
  } rows[] = {
      {"ss", true, 0},
      {"bsbs", true, 1},
      {"bb", false, -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.places);
    ConnectionRegistry registry;
    registry.setSettings({static_cast<int>(row.places.size()), 0, 0});
    std::vector<Pair> pairs(row.places.size());
    for (size_t i = 0; i < pairs.size(); ++i) {
      ASSERT_TRUE(registry.add(pairs[i].served));
      if (row.places[i] == 'b') registry.noteSending(pairs[i].served);
    }
    Pair newcomer;
    EXPECT_EQ(registry.add(newcomer.served), row.admitted);
    for (size_t i = 0; i < pairs.size(); ++i)
      EXPECT_EQ(sawEnd(pairs[i].client), static_cast<int>(i) == row.closed) << i;
    EXPECT_EQ(registry.size(), static_cast<int>(row.places.size()));
    // The closed connection's own remove, later, takes no one else's place.
    if (row.closed >= 0) registry.remove(pairs[size_t(row.closed)].served);
    EXPECT_EQ(registry.size(), static_cast<int>(row.places.size()));
  }
}

}  // namespace
