#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "StandinEvents.h"
#include "StandinHost.h"
#include "StandinLog.h"
#include "dispatch/CommandHandlerBase.h"
#include "dispatch/URLCommandFactory.h"
#include "http/HttpDaemon.h"
#include "http/RequestDesc.h"

namespace {

const std::string k405 =
    "HTTP/1.0 405 Not Allowed \r\n\r\n<html>\n<head>\n</head>\n<body>\n<h1>Method not allowed, "
    "this is "
    "a minimal server. I only accept GET and POST</h1>\n</body>\n</html>";
const std::string k404 = "HTTP/1.0 404 Not Found \r\n\r\n";

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
  // What the daemon has written so far.
  std::string received() {
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = ::recv(client, buf, sizeof buf, MSG_DONTWAIT)) > 0) out.append(buf, size_t(n));
    return out;
  }
  HttpDaemon daemon;
  int client = -1;
};

class HttpDaemonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinHost::instance().clear();
    StandinLog::setLevel(MakoraLog_Static::Trace);
    StandinLog::setStderr(false);
    StandinEvents::clear();
  }
  void TearDown() override { StandinLog::stopCapture(); }
  static bool logged(const std::vector<LogRecord>& records, const std::string& message) {
    for (const auto& r : records)
      if (r.className == "HttpDaemon" && r.message == message) return true;
    return false;
  }
  // Events are delivered on a host thread: wait a little for any straggler.
  static size_t stopEvents() {
    StandinEvents::waitForCount(1, 500);
    return StandinEvents::received().size();
  }
};

TEST_F(HttpDaemonTest, RepliesByMethodAndCommand) {
  struct Case {
    std::string request;
    std::string reply;
    size_t events;
  };
  const Case cases[] = {
      {"OPTIONS / HTTP/1.0\r\n\r\n", k405, 0},
      {"get /retrieveInitialValue HTTP/1.0\r\n\r\n", k405, 0},
      {"\r\n\r\n", k405, 0},
      {" \r\n", k405, 0},
      {"\x01\x02garbage\xff\r\n", k405, 0},
      {"GET /retrieveInitialValue HTTP/1.0\r\n\r\n", k404, 1},
      {"GET /retrieveInitialValue\r\n\r\n", k404, 1},
      {"GET /retrieveInitialValue HTTP/1.0\nHost: h\n\n", k404, 1},
      {"POST /retrieveInitialValue HTTP/1.0\r\nContent-Length: 3\r\n\r\nabc", k404, 1},
      {BYTES("OPTIONS\0GET /retrieveInitialValue HTTP/1.0\r\n\r\n"), k405, 0},
      {BYTES("GET /retrieveInitialValue HTTP/1.0\0\r\n\r\n"), k404, 1},
      {BYTES("\0GET /retrieveInitialValue HTTP/1.0\r\n\r\n"), "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    StandinEvents::clear();
    Connection connection;
    connection.send(c.request);
    EXPECT_EQ(connection.daemon.process(), 0);
    EXPECT_EQ(connection.received(), c.reply);
    EXPECT_EQ(stopEvents(), c.events);
  }
}

TEST_F(HttpDaemonTest, SuccessfulReplyIsSentUnchanged) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  QFile file(root.filePath(QStringLiteral("page.html")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<p>hello</p>");
  file.close();
  std::string error;
  ASSERT_TRUE(StandinHost::instance().loadText(
      "<host><data><string key=\"data:/Configuration/OrvaneData/OrvaneDataRoot\">" +
          root.path().toStdString() + "</string></data><ecu name=\"DEMO\"/></host>",
      error))
      << error;
  URLCommandFactory* factory = URLCommandFactory::getInstance();
  factory->init(QStringLiteral("DEMO"));

  RequestDesc desc;
  desc.setRequest(QStringLiteral("/page.html"));
  std::unique_ptr<CommandHandlerBase> handler(factory->getCommandFromURL(desc));
  ASSERT_NE(handler, nullptr);
  QByteArray expected;
  ASSERT_TRUE(handler->processRequest(expected));
  ASSERT_TRUE(expected.contains("<p>hello</p>"));

  Connection connection;
  connection.send("POST /page.html HTTP/1.0\r\nContent-Length: 5\r\n\r\nhello");
  EXPECT_EQ(connection.daemon.process(), 0);
  EXPECT_EQ(connection.received(), expected.toStdString());
  EXPECT_EQ(stopEvents(), 0u);
}

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

TEST_F(HttpDaemonTest, OnlyTheFirstPieceOfARequestIsRead) {
  Connection connection;
  connection.send("GET /retrieveInit");
  StandinLog::startCapture();
  connection.daemon.process();
  connection.send("ialValue HTTP/1.0\r\n\r\n");
  EXPECT_TRUE(logged(StandinLog::takeCaptured(),
                     "[processNextRequest()]: decoded Request [/retrieveInit]"));
}

TEST_F(HttpDaemonTest, PeerThatClosesWithoutSendingGetsNoReply) {
  Connection connection;
  const int handle = connection.daemon.peer().get_handle();
  connection.closeClient();
  StandinLog::startCapture();
  EXPECT_EQ(connection.daemon.process(), -1);
  EXPECT_TRUE(
      logged(StandinLog::takeCaptured(),
             "[HttpDaemon::process() soket closed closing handle: " + std::to_string(handle)));
  EXPECT_EQ(stopEvents(), 0u);
}

}  // namespace
