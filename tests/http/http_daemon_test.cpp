// What one connection handler reads of a request and how it logs it; the
// replies themselves are checked over real sockets in the integration tests.
// Guards against: request bytes not taken as Latin-1 or read past a NUL, a
// request line cut by the network read as ended, one past the size limit or
// one whose sender stopped processed, a silent peer answered or ending a
// scenario.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "StandinEvents.h"
#include "dispatch/CommandRouter.h"
#include "http/HttpDaemon.h"
#include "platform/Limits.h"
#include "support/standin_host_test.h"

namespace {

// A literal's bytes, NULs included.
#define BYTES(literal) std::string(literal, sizeof(literal) - 1)

// A daemon whose connection is one end of a socket pair; the test holds the other.
class Connection {
 public:
  Connection() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) std::abort();
    daemon.reactor(nullptr);
    daemon.peer().set_handle(fds[0]);
    client = fds[1];
  }
  ~Connection() {
    if (client >= 0) ::close(client);
  }
  void send(const std::string& bytes) {
    ASSERT_EQ(::send(client, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
  }
  void closeClient() {
    ::close(client);
    client = -1;
  }
  const CommandRouter router;
  HttpDaemon daemon{ConnectionContext{&router}};
  int client = -1;
};

class HttpDaemonTest : public StandinHostTest {
 protected:
  void SetUp() override {
    StandinHostTest::SetUp();
    StandinEvents::clear();
  }
  static bool logged(const std::vector<LogRecord>& records, const std::string& message) {
    for (const auto& r : records)
      if (r.className == "HttpDaemon" && r.message == message) return true;
    return false;
  }
};

TEST_F(HttpDaemonTest, RequestTextIsLatin1CutAtTheFirstNul) {
  Connection connection;
  connection.send(BYTES("GET /\xE9t\xE9\xFF HTTP/1.0\0tail"));
  StandinLog::startCapture();
  connection.daemon.process();
  const auto records = StandinLog::takeCaptured();
  EXPECT_TRUE(logged(records, "[HttpDaemon::process() recvv returned 23 bytes"));
  EXPECT_TRUE(logged(
      records, "[HttpDaemon::process() bytes as QString: 'GET /\u00E9t\u00E9\u00FF HTTP/1.0'"));
  EXPECT_TRUE(logged(records, "[processNextRequest()]: decoded Request [/\u00E9t\u00E9\u00FF]"));
}

// The request line is read to its end however it is cut; beyond the size
// limit, or when the peer stops sending first, nothing is processed.
TEST_F(HttpDaemonTest, ReceivesUntilTheRequestLineEnds) {
  const std::string oversized(limits::kMaxRequestBytes, 'a');
  const struct {
    std::vector<std::string> pieces;
    bool closeAfter;
    const char* decoded;  // null: nothing processed, and a warning with the text below
    const char* warning;
  } cases[] = {
      {{"GET /retrieveInit", "ialValue HTTP/1.0\r\n\r\n"}, false, "/retrieveInitialValue", ""},
      {{"GET /ended HTTP/1.0\n"}, true, "/ended", ""},
      {{"GET /writeFile?name=cut.txt&content=FIRSTHALF"}, true, nullptr, "stopped sending"},
      {{oversized}, false, nullptr, "kMaxRequestBytes"},
  };
  for (const auto& c : cases) {
    Connection connection;
    StandinLog::startCapture();
    int result = 0;
    std::thread daemon([&] {
      result = connection.daemon.process();
      connection.daemon.peer().close();  // unblocks a sender the daemon stopped reading
    });
    for (const auto& piece : c.pieces)
      ::send(connection.client, piece.data(), piece.size(), MSG_NOSIGNAL);
    if (c.closeAfter) ::shutdown(connection.client, SHUT_WR);
    daemon.join();
    const auto records = StandinLog::takeCaptured();
    if (c.decoded != nullptr) {
      EXPECT_TRUE(logged(
          records, std::string("[processNextRequest()]: decoded Request [") + c.decoded + "]"))
          << c.decoded;
    } else {
      EXPECT_EQ(result, -1);
      EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const LogRecord& r) {
        return r.level == MakoraLog_Static::Warning &&
               r.message.find(c.warning) != std::string::npos;
      })) << c.warning;
      EXPECT_TRUE(std::none_of(records.begin(), records.end(), [](const LogRecord& r) {
        return r.message.find("decoded Request") != std::string::npos;
      }));
    }
  }
}

TEST_F(HttpDaemonTest, PeerThatClosesWithoutSendingGetsNoReply) {
  Connection connection;
  connection.closeClient();
  EXPECT_EQ(connection.daemon.process(), -1);
  // Events are delivered on a host thread: wait a little for any straggler.
  StandinEvents::waitForCount(1, 500);
  EXPECT_TRUE(StandinEvents::received().empty());
}

}  // namespace
