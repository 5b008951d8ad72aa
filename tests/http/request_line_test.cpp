// The request line of a head.
// Guards against: a word taken from the wrong place, blank lines or white
// space before it miscounted, a later line of the head read as the first, a
// bad or missing version taken as valid.
#include <gtest/gtest.h>

#include "http/RequestLine.h"

namespace {

TEST(RequestLine, Parse) {
  struct Case {
    const char* head;
    const char* method;
    const char* target;
    bool valid;
  };
  const Case cases[] = {
      {"GET /getText?textCode=a HTTP/1.0", "GET", "/getText?textCode=a", true},
      {"GET /x", "GET", "/x", false},
      {"GET", "GET", "", false},
      {"get /x HTTP/1.0", "get", "/x", true},
      {"GET /x HTTP/1.0\nHost: h\nAccept: */*\n\n", "GET", "/x", true},
      {"\n\nGET /x HTTP/1.0\n", "GET", "/x", true},
      {"  GET \t /x   HTTP/1.0  ", "GET", "/x", true},
      {"GET /x HTTP/x.y", "GET", "/x", false},
      {"GET /x FTP/1.0", "GET", "/x", false},
      {"\r\n\r\n", "", "", false},
      {"GET /x HTTP/1.0\r\r\nHost: h", "GET", "/x", true},
      {"GET /x\rHTTP/1.0\nHost: h\r\n", "GET", "/x", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.head);
    const RequestLine line = RequestLine::parse(QString::fromLatin1(c.head));
    EXPECT_EQ(line.method.toStdString(), c.method);
    EXPECT_EQ(line.target.toStdString(), c.target);
    EXPECT_EQ(line.valid, c.valid);
  }
}

}  // namespace
