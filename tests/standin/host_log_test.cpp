// The host logger: Windows format translation, level filtering, line layout.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "MakoraLog_Static.h"
#include "StandinLog.h"

namespace {

#define LOG_INFO(...) \
  MakoraLog_Static::logInformation_static(L"Comp", L"Comp.dll", L"Test", __VA_ARGS__)

class HostLog : public testing::Test {
 protected:
  void SetUp() override {
    StandinLog::setStderr(false);
    StandinLog::setLevel(MakoraLog_Static::Trace);
    StandinLog::startCapture();
  }
  void TearDown() override {
    StandinLog::stopCapture();
    StandinLog::setFile("");
    StandinLog::setLevel(MakoraLog_Static::Information);
    StandinLog::setStderr(true);
  }

  static std::vector<std::string> messages() {
    std::vector<std::string> out;
    for (const LogRecord& record : StandinLog::takeCaptured()) out.push_back(record.message);
    return out;
  }
};

TEST_F(HostLog, TranslatesTheWindowsFormat) {
  struct Row {
    const char* what;
    std::function<void()> log;
    std::string expected;
  };
  const std::wstring longText(10000, L'x');
  const Row rows[] = {
      {"%s wide", [] { LOG_INFO(L"[%s]", L"wide"); }, "[wide]"},
      {"%ws wide", [] { LOG_INFO(L"%ws", L"wide"); }, "wide"},
      {"%ls stays wide", [] { LOG_INFO(L"%ls", L"wide"); }, "wide"},
      {"%S narrow", [] { LOG_INFO(L"%S", "narrow"); }, "narrow"},
      {"%hs narrow", [] { LOG_INFO(L"%hs", "narrow"); }, "narrow"},
      {"%S UTF-8 bytes", [] { LOG_INFO(L"%S", "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC"); },
       "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC"},
      {"%s non-ASCII wide", [] { LOG_INFO(L"%s", L"\u00E9t\u00E9 \U0001F600"); },
       "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"},
      {"%-10s", [] { LOG_INFO(L"[%-10s]", L"ab"); }, "[ab        ]"},
      {"%10S", [] { LOG_INFO(L"[%10S]", "ab"); }, "[        ab]"},
      {"%.3s", [] { LOG_INFO(L"%.3s", L"abcdef"); }, "abc"},
      {"%*s", [] { LOG_INFO(L"[%*s]", 4, L"a"); }, "[   a]"},
      {"%-*.*s", [] { LOG_INFO(L"[%-*.*s]", 4, 2, L"abc"); }, "[ab  ]"},
      {"%%", [] { LOG_INFO(L"100%% of %d%%", 5); }, "100% of 5%"},
      {"%I64d", [] { LOG_INFO(L"%I64d", 1099511627776LL); }, "1099511627776"},
      {"%I64u", [] { LOG_INFO(L"%I64u", 18446744073709551615ULL); }, "18446744073709551615"},
      {"%c wide", [] { LOG_INFO(L"%c%c", L'o', L'\u00E9'); }, "o\xC3\xA9"},
      {"%C narrow", [] { LOG_INFO(L"%C", 'y'); }, "y"},
      {"ints", [] { LOG_INFO(L"%d %i %u %05d %x %X %ld", -1, 2, 3u, 42, 255, 255, 7L); },
       "-1 2 3 00042 ff FF 7"},
      {"floats", [] { LOG_INFO(L"%.2f %e", 12.345, 1.0); }, "12.35 1.000000e+00"},
      {"trailing %", [] { LOG_INFO(L"50%"); }, "50%"},
      {"null wide text", [] { LOG_INFO(L"%s", static_cast<const wchar_t*>(nullptr)); }, "(null)"},
      {"10 kB message", [&] { LOG_INFO(L"<%s>", longText.c_str()); },
       "<" + std::string(10000, 'x') + ">"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.log();
    const std::vector<std::string> got = messages();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], row.expected);
  }
}

TEST_F(HostLog, LinesBelowTheLevelAreDroppedUnformatted) {
  struct Row {
    MakoraLog_Static::Level level;
    std::vector<std::string> kept;
  };
  const Row rows[] = {
      {MakoraLog_Static::Trace, {"T", "I", "W", "E"}},
      {MakoraLog_Static::Information, {"I", "W", "E"}},
      {MakoraLog_Static::Warning, {"W", "E"}},
      {MakoraLog_Static::Error, {"E"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.level);
    StandinLog::setLevel(row.level);
    MakoraLog_Static::logTrace_static(L"C", L"M", L"X", L"%s", L"T");
    MakoraLog_Static::logInformation_static(L"C", L"M", L"X", L"%s", L"I");
    MakoraLog_Static::logWarning_static(L"C", L"M", L"X", L"%s", L"W");
    MakoraLog_Static::logError_static(L"C", L"M", L"X", -1, L"%s", L"E");
    EXPECT_EQ(messages(), row.kept);
    EXPECT_EQ(MakoraLog_Static::isEnabled(MakoraLog_Static::Trace),
              row.level == MakoraLog_Static::Trace);
  }
  // Formatting this argument would crash: it must never be looked at.
  StandinLog::setLevel(MakoraLog_Static::Error);
  MakoraLog_Static::logWarning_static(L"C", L"M", L"X", L"%s",
                                      reinterpret_cast<const wchar_t*>(16));
  EXPECT_TRUE(messages().empty());
}

TEST_F(HostLog, FileLinesCarryTimeLevelThreadAndClass) {
  char path[] = "/tmp/host_log_testXXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  ASSERT_TRUE(StandinLog::setFile(path));
  MakoraLog_Static::logInformation_static(L"C", L"M", L"HttpDaemon", L"[%s]: Method started.",
                                          L"HttpDaemon::svc()");
  MakoraLog_Static::logError_static(L"C", L"M", L"Utilities", -1, L"caf\u00E9 %S", "\xC3\xA9");
  // Readable at once, before the file is closed: flushed per line.
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 2u);
  const std::string stamp = R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} )";
  EXPECT_TRUE(std::regex_search(
      lines[0],
      std::regex(stamp +
                 R"(\[info\] \[\d+\] \[HttpDaemon\] \[HttpDaemon::svc\(\)\]: Method started\.$)")))
      << lines[0];
  EXPECT_TRUE(
      std::regex_search(lines[1], std::regex(stamp + R"(\[error\] \[\d+\] \[Utilities\] )")))
      << lines[1];
  EXPECT_NE(lines[1].find("caf\xC3\xA9 \xC3\xA9"), std::string::npos);
  StandinLog::setFile("");
  // Below a plain file no folder can be made.
  EXPECT_FALSE(StandinLog::setFile(std::string(path) + "/log.txt"));
  std::remove(path);
}

}  // namespace
