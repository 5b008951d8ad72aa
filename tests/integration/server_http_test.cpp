// The connection handling of a running ft-host, over real sockets: fixed
// replies, what is read of a request, and odd clients that must not hurt it.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "support/FtHost.h"

namespace {

#define BYTES(literal) std::string(literal, sizeof(literal) - 1)

const std::string k404 = "HTTP/1.0 404 Not Found \r\n\r\n";
const std::string k405 =
    "HTTP/1.0 405 Not Allowed \r\n\r\n<html>\n<head>\n</head>\n<body>\n<h1>Method not allowed, "
    "this is "
    "a minimal server. I only accept GET and POST</h1>\n</body>\n</html>";

const char kHostData[] =
    "<host ecu=\"DEMO\"><data>"
    "<string key=\"data:/Configuration/OrvaneData/OrvaneDataRoot\">files</string>"
    "</data><ecu name=\"DEMO\"/></host>";

class ServerHttp : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host = new FtHostProcess;
    ASSERT_TRUE(host->start(kHostData, {"--log-level", "trace"})) << host->output();
    std::filesystem::create_directories(host->dir() + "/files");
    std::ofstream(host->dir() + "/files/hello.txt", std::ios::binary) << "hello";
  }
  static void TearDownTestSuite() {
    EXPECT_EQ(host->stop(), 0);
    delete host;
    host = nullptr;
  }
  // Waits (5 s at most) until the log holds at least n lines with the needle.
  static size_t waitForLogLines(const std::string& needle, size_t n) {
    size_t count = 0;
    for (int i = 0; i < 500; ++i) {
      count = countLogLines(host->log(), needle);
      if (count >= n) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return count;
  }
  static std::string hello() { return httpGet(host->port(), "/hello.txt"); }
  static FtHostProcess* host;
};
FtHostProcess* ServerHttp::host = nullptr;

TEST_F(ServerHttp, MethodsOtherThanGetAndPostAreRefused) {
  const std::string requests[] = {
      "OPTIONS / HTTP/1.0\r\n\r\n",
      "get /hello.txt HTTP/1.0\r\n\r\n",
      "HEAD /hello.txt HTTP/1.0\r\n\r\n",
      "PUT /writeFile?name=a&content=b HTTP/1.0\r\n\r\n",
      "\r\n\r\n",
      "\x01\x02\x03garbage\xFF\xFE\r\n",
  };
  for (const auto& request : requests)
    EXPECT_EQ(httpExchange(host->port(), request), k405) << request;
}

TEST_F(ServerHttp, RefusedCommandIsAnswered404WithOneStopEvent) {
  const size_t before = countLogLines(host->log(), "event 669");
  EXPECT_EQ(httpGet(host->port(), "/retrieveInitialValue?names=A"), k404);
  EXPECT_EQ(waitForLogLines("event 669", before + 1), before + 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(countLogLines(host->log(), "event 669"), before + 1);
}

TEST_F(ServerHttp, RequestVariantsReachTheSameFile) {
  const std::string expected = hello();
  ASSERT_EQ(expected.rfind("HTTP/1.0 200 Ok\r\n", 0), 0u) << expected;
  ASSERT_NE(expected.find("\r\n\r\nhello"), std::string::npos);
  const std::string requests[] = {
      "POST /hello.txt HTTP/1.0\r\nContent-Length: 9\r\n\r\nname=body",
      "GET /hello.txt\r\n\r\n",
      "GET /hello.txt HTTP/1.1\nHost: x\n\n",
      "GET http://127.0.0.1:1//hello.txt HTTP/1.0\r\n\r\n",
      BYTES("GET /hello.txt HTTP/1.0\0\r\nHost: x\r\n\r\n"),
      BYTES("GET /hello.txt\0.gz HTTP/1.0\r\n\r\n"),
  };
  for (const auto& request : requests)
    EXPECT_EQ(httpExchange(host->port(), request), expected) << request;
}

TEST_F(ServerHttp, NulFirstByteIsClosedWithoutAReply) {
  EXPECT_EQ(httpExchange(host->port(), BYTES("\0GET /hello.txt HTTP/1.0\r\n\r\n")), "");
  EXPECT_EQ(httpExchange(host->port(), BYTES("\0")), "");
  EXPECT_NE(hello(), "");
}

TEST_F(ServerHttp, ClientThatClosesWithoutSendingGetsNothing) {
  const size_t before = countLogLines(host->log(), "soket closed closing handle");
  for (int i = 0; i < 3; ++i) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(host->port()));
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
  }
  EXPECT_EQ(waitForLogLines("soket closed closing handle", before + 3), before + 3);
  EXPECT_NE(hello(), "");
}

TEST_F(ServerHttp, GarbageDoesNotHurtTheServer) {
  std::string bytes;
  unsigned state = 12345;
  for (int round = 0; round < 50; ++round) {
    bytes.clear();
    for (int i = 0; i < 1 + round * 40; ++i) {
      state = state * 1103515245u + 12345u;
      bytes.push_back(static_cast<char>(state >> 16));
    }
    const std::string reply = httpExchange(host->port(), bytes);
    if (bytes[0] == '\0')
      EXPECT_EQ(reply, "");
    else
      EXPECT_TRUE(reply == k405 || reply.rfind("HTTP/1.0 ", 0) == 0) << reply;
  }
  EXPECT_NE(hello(), "");
}

}  // namespace
