// The request log line split into the panel's entry.
// Guards against: a field taken from the wrong word, the answer after " ms: "
// lost or cut, a line of another shape taken for a request, blanks other than
// spaces splitting differently from the words the log writes.
#include <gtest/gtest.h>

#include "PanelRecords.h"

namespace {

TEST(PanelRecords, SplitsARequestLogLine) {
  const struct {
    const char* line;
    bool parsed;
    const char* method;
    const char* target;
    int status;
    long long bytes;
    double ms;
    const char* body;
  } rows[] = {
      {"GET /f2k.bin 200 2048 B 0.4 ms", true, "GET", "/f2k.bin", 200, 2048, 0.4, ""},
      {"GET /getText?textCode=T1 200 12 B 1.5 ms: Hello: world", true, "GET",
       "/getText?textCode=T1", 200, 12, 1.5, "Hello: world"},
      {"POST /x 404 27 B 12 ms: ", true, "POST", "/x", 404, 27, 12, ""},
      {"  GET\t/a  200 1 B 3.25 ms", true, "GET", "/a", 200, 1, 3.25, ""},
      {"GET /a 200 1 KB 3 ms", false, "", "", 0, 0, 0, ""},
      {"GET /a 200 1 B 3 s", false, "", "", 0, 0, 0, ""},
      {"GET /a b 200 1 B 3 ms", false, "", "", 0, 0, 0, ""},
      {"GET /a 200 1 B", false, "", "", 0, 0, 0, ""},
      {"", false, "", "", 0, 0, 0, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    PanelRecords::Request request;
    ASSERT_EQ(PanelRecords::parseLine(row.line, request), row.parsed);
    if (!row.parsed) continue;
    EXPECT_EQ(request.method, row.method);
    EXPECT_EQ(request.target, row.target);
    EXPECT_EQ(request.status, row.status);
    EXPECT_EQ(request.bytes, row.bytes);
    EXPECT_DOUBLE_EQ(request.ms, row.ms);
    EXPECT_EQ(request.body, row.body);
  }
}

}  // namespace
