// The control panel's gate, header by header; the live panel's tests show it in place.
// Guards against: another host name or port taken for the panel's own, an origin or fetch site
// of another page let through to a change, a body too large, chunked or compressed read at all,
// a change without a JSON content type accepted.
#include <gtest/gtest.h>

#include <map>

#include "PanelRequestCheck.h"

namespace {

using Headers = std::map<std::string, std::string>;

int statusOf(int port, const std::string& method, const Headers& headers) {
  const auto refusal =
      PanelRequestCheck(port).refusal(method, [&](const char* name) -> std::optional<std::string> {
        const auto found = headers.find(name);
        if (found == headers.end()) return std::nullopt;
        return found->second;
      });
  return refusal ? refusal->status : 0;
}

TEST(PanelRequestCheck, HostOriginTypeAndSize) {
  const std::string json = "application/json";
  struct Row {
    int port;
    std::string method;
    Headers headers;
    int status;  // 0: accepted
  };
  const Row rows[] = {
      {62111, "GET", {}, 0},
      {62111, "GET", {{"Host", "127.0.0.1:62111"}}, 0},
      {62111, "GET", {{"Host", " LocalHost:62111 "}}, 0},
      {62111, "GET", {{"Host", "[::1]:62111"}}, 0},
      {62111, "GET", {{"Host", "127.0.0.1"}}, 403},
      {80, "GET", {{"Host", "localhost"}}, 0},
      {62111, "GET", {{"Host", "127.0.0.1:621110"}}, 403},
      {62111, "GET", {{"Host", "127.0.0.1.evil.example:62111"}}, 403},
      {62111, "GET", {{"Host", "evil.example:62111"}}, 403},
      {62111, "GET", {{"Host", "127.0.0.1:62111"}, {"Origin", "http://evil.example"}}, 0},
      {62111, "GET", {{"Content-Length", "1048577"}}, 413},
      {62111, "GET", {{"Content-Length", "99999999999999999999999"}}, 413},
      {62111, "POST", {{"Content-Type", json}, {"Content-Length", "1048576"}}, 0},
      {62111, "POST", {{"Content-Type", json}, {"Content-Encoding", "identity"}}, 415},
      {62111, "POST", {{"Content-Type", json}, {"Transfer-Encoding", "chunked"}}, 411},
      {62111, "PUT", {{"Content-Type", json}, {"Transfer-Encoding", "gzip, chunked"}}, 411},
      {62111, "POST", {{"Content-Type", "Application/JSON; charset=utf-8"}}, 0},
      {62111, "POST", {{"Content-Type", "application/jsonp"}}, 415},
      {62111, "POST", {{"Content-Type", "text/plain"}}, 415},
      {62111, "DELETE", {}, 415},
      {62111, "POST", {{"Content-Type", json}, {"Origin", "http://127.0.0.1:62111"}}, 0},
      {62111, "POST", {{"Content-Type", json}, {"Origin", "https://127.0.0.1:62111"}}, 403},
      {62111, "POST", {{"Content-Type", json}, {"Origin", "http://127.0.0.1:61111"}}, 403},
      {62111, "POST", {{"Content-Type", json}, {"Origin", "null"}}, 403},
      {62111, "POST", {{"Content-Type", json}, {"Sec-Fetch-Site", "same-origin"}}, 0},
      {62111, "POST", {{"Content-Type", json}, {"Sec-Fetch-Site", "Cross-Site"}}, 403},
  };
  for (const Row& row : rows) {
    std::string trace = std::to_string(row.port) + " " + row.method;
    for (const auto& [name, value] : row.headers) trace += " " + name + ": " + value;
    SCOPED_TRACE(trace);
    EXPECT_EQ(statusOf(row.port, row.method, row.headers), row.status);
  }
}

}  // namespace
