// The connection handling of a running ft-host over real sockets: fixed
// replies, what is read of a request, odd clients, limits and stopping.
// Guards against: a method other than GET or POST served, a request variant
// (no version, bare line feeds, absolute target, NUL inside) read differently,
// a reply to a client that sent nothing, a request logged unescaped or a file's
// content logged, a full server refusing a newcomer while a silent connection
// holds a place (or closing one that has sent), a stop held by an idle client.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/ft_host.h"

namespace {

#define BYTES(literal) std::string(literal, sizeof(literal) - 1)

const std::string k405 =
    "HTTP/1.0 405 Not Allowed \r\n\r\n<html>\n<head>\n</head>\n<body>\n<h1>Method not allowed, "
    "this is a minimal server. I only accept GET and POST</h1>\n</body>\n</html>";

std::string hostData(const std::string& extra = "") {
  return "<host ecu=\"DEMO\"><data>"
         "<string key=\"data:/Configuration/OrvaneData/OrvaneDataRoot\">files</string>" +
         extra + "</data><ecu name=\"DEMO\"/></host>";
}

bool startWithHello(FtHostProcess& host, const std::string& data,
                    const std::vector<std::string>& args = {}) {
  if (!host.start(data, args)) return false;
  put(host.dir() + "/files/hello.txt", "hello");
  return true;
}

// A client that connects and then says nothing.
struct IdleClient {
  explicit IdleClient(int port) : fd(detail::connectTo(port)) {}
  ~IdleClient() { ::close(fd); }
  std::string readUntilClosed(int timeoutMs) const {
    return detail::readUntilClosed(fd, timeoutMs);
  }
  int fd;
};

// The server ends of connections to port.
std::vector<detail::SocketRow> serverEnds(int port) {
  char local[16];
  std::snprintf(local, sizeof local, "0100007F:%04X", port);
  std::vector<detail::SocketRow> ends;
  for (const detail::SocketRow& row : detail::socketRows())
    if (row.local == local && row.state != "0A") ends.push_back(row);
  return ends;
}

// Waits (10 s at most) until the server has read all that the client sent.
bool serverHasRead(int port, int clientFd) {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  ::getsockname(clientFd, reinterpret_cast<sockaddr*>(&local), &length);
  char remote[16];
  std::snprintf(remote, sizeof remote, "0100007F:%04X", ntohs(local.sin_port));
  for (int i = 0; i < 1000; ++i) {
    for (const detail::SocketRow& end : serverEnds(port))
      if (end.remote == remote && end.queues.substr(9) == "00000000") return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Waits (10 s at most) until the server has closed every connection, which
// it does only once it has given up their places.
bool allClosedByServer(int port) {
  for (int i = 0; i < 1000; ++i) {
    bool open = false;
    for (const detail::SocketRow& end : serverEnds(port))
      open = open || end.state == "01" || end.state == "08";  // established, or half closed
    if (!open) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class ServerHttp : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host = new FtHostProcess;
    ASSERT_TRUE(startWithHello(*host, hostData(), {"--log-level", "trace"})) << host->output();
  }
  static void TearDownTestSuite() {
    EXPECT_EQ(host->stop(), 0);
    delete host;
    host = nullptr;
  }
  static std::string hello() { return httpGet(host->port(), "/hello.txt"); }
  static FtHostProcess* host;
};
FtHostProcess* ServerHttp::host = nullptr;

TEST_F(ServerHttp, MethodsOtherThanGetAndPostAreRefused) {
  for (const std::string request : {
           "OPTIONS / HTTP/1.0\r\n\r\n",
           "get /hello.txt HTTP/1.0\r\n\r\n",
           "PUT /writeFile?name=a&content=b HTTP/1.0\r\n\r\n",
           "\x01\x02\x03garbage\xFF\xFE\r\n",
       })
    EXPECT_EQ(httpExchange(host->port(), request), k405) << request;
}

TEST_F(ServerHttp, RequestVariantsReachTheSameFile) {
  const std::string expected = hello();
  ASSERT_EQ(expected.rfind("HTTP/1.0 200 Ok\r\n", 0), 0u) << expected;
  ASSERT_NE(expected.find("\r\n\r\nhello"), std::string::npos);
  for (const std::string& request : {
           std::string("POST /hello.txt HTTP/1.0\r\nContent-Length: 9\r\n\r\nname=body"),
           std::string("GET /hello.txt\r\n\r\n"),
           std::string("GET /hello.txt HTTP/1.1\nHost: x\n\n"),
           std::string("GET http://127.0.0.1:1//hello.txt HTTP/1.0\r\n\r\n"),
           BYTES("GET /hello.txt HTTP/1.0\0\r\nHost: x\r\n\r\n"),
           BYTES("GET /hello.txt\0.gz HTTP/1.0\r\n\r\n"),
       })
    EXPECT_EQ(httpExchange(host->port(), request), expected) << request;
}

TEST_F(ServerHttp, NulFirstByteOrNoBytesAreClosedWithoutAReply) {
  EXPECT_EQ(httpExchange(host->port(), BYTES("\0GET /hello.txt HTTP/1.0\r\n\r\n")), "");
  EXPECT_EQ(httpExchange(host->port(), BYTES("\0")), "");
  const size_t before = countLogLines(host->log(), "soket closed closing handle");
  for (int i = 0; i < 3; ++i) ::close(detail::connectTo(host->port()));
  EXPECT_EQ(waitForLogLines(*host, "soket closed closing handle", before + 3), before + 3);
  EXPECT_NE(hello(), "");
}

TEST_F(ServerHttp, EachReplyIsLoggedOnOneLineWithControlCharactersEscaped) {
  httpGet(host->port(), "/hello.txt?once");
  EXPECT_EQ(httpExchange(host->port(), "GET /a\x01\x1B[2Jb HTTP/1.0\r\n\r\n"), k404);
  EXPECT_EQ(waitForLogLines(*host, "[RequestLog] GET /a\\x01\\x1B[2Jb 404 27 B ", 1), 1u)
      << host->log();
  // A command's answer follows its line, escaped; a file's content does not.
  httpGet(host->port(), "/ENDFT");
  EXPECT_EQ(waitForLogLines(*host, "[RequestLog] GET /ENDFT 200 ", 1), 1u);
  EXPECT_EQ(countLogLines(host->log(), " ms: end\\x0D\\x0A"), 1u) << host->log();
  EXPECT_EQ(countLogLines(host->log(), " ms: "), 1u);
}

// When every place is taken, a connection that has sent nothing gives way to
// the newcomer; connections that have sent something keep theirs.
TEST(ServerConnections, FullServerClosesTheLongestSilentConnectionOrTheNewcomer) {
  FtHostProcess host;
  ASSERT_TRUE(
      startWithHello(host, hostData(setting("MaxConnections", 2) + setting("ReceiveTimeout", 0))))
      << host.output();
  const struct {
    std::string places;  // in connect order: 's' silent, 'b' has sent part of a request
    int closed;          // index closed to make room; -1: the newcomer is refused
  } rows[] = {{"ss", 0}, {"bs", 1}, {"bb", -1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.places);
    std::vector<std::unique_ptr<IdleClient>> clients;
    for (char kind : row.places) {
      clients.push_back(std::make_unique<IdleClient>(host.port()));
      ASSERT_GE(clients.back()->fd, 0);
      if (kind == 'b') {
        ::send(clients.back()->fd, "GET /hel", 8, MSG_NOSIGNAL);
        ASSERT_TRUE(serverHasRead(host.port(), clients.back()->fd));
      }
    }
    const size_t refusals = countLogLines(host.log(), "connections are being served already");
    const std::string reply = httpGet(host.port(), "/hello.txt");
    EXPECT_EQ(reply.find("hello") != std::string::npos, row.closed >= 0) << reply;
    for (size_t i = 0; i < clients.size(); ++i) {
      const bool closed = static_cast<int>(i) == row.closed;
      EXPECT_EQ(clients[i]->readUntilClosed(closed ? 10000 : 0), closed ? "" : "<open>") << i;
    }
    if (row.closed < 0) {
      EXPECT_EQ(reply, "");
      EXPECT_EQ(waitForLogLines(host, "connections are being served already", refusals + 1),
                refusals + 1);
    }
    clients.clear();
    ASSERT_TRUE(allClosedByServer(host.port()));
  }
  EXPECT_EQ(host.stop(), 0);
}

TEST(ServerConnections, SigtermStopsPromptlyDespiteAnIdleClient) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(hostData())) << host.output();  // receive time-out 30 s
  IdleClient idle(host.port());
  ASSERT_GE(idle.fd, 0);
  EXPECT_EQ(httpGet(host.port(), "/retrieveInitialValue"), k404);
  // Killed, not 0, if the idle connection held the host for its 30 s.
  EXPECT_EQ(host.stop(), 0);
  EXPECT_EQ(idle.readUntilClosed(1000), "");
  EXPECT_FALSE(detail::isListening(host.port()));
}

}  // namespace
