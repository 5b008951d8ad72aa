// The host's logger and events.
// Guards against: a Windows directive translated wrongly, a narrow argument not
// read as UTF-8 (Latin-1 where it is not), a control or line separator logged
// raw, a line below the level formatted or written, a request line lost to the
// level, a log file not flushed or not turned over, a destroying event reaching
// another component's proxy, events out of order or lost after shutdown, the
// delivery thread taking a component's thread name.
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "BEvent.h"
#include "CComponent_Thread_Ref.h"
#include "MakoraLog_Static.h"
#include "ProxyComponent.h"
#include "StandinEvents.h"
#include "StandinLimits.h"
#include "StandinLog.h"
#include "WindowsFormat.h"
#include "standin_test_util.h"

namespace {

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

// A component's message as the log writes it: formatted, as UTF-8, controls escaped.
template <typename... Args>
std::string logged(const wchar_t* format, Args... args) {
  std::wstring message;
  return WindowsFormat::format(message, format, args...)
             ? StandinLog::escapeControls(WindowsFormat::toUtf8(message))
             : "(unformattable)";
}

TEST(WindowsFormat, TranslatesTheFormatAndEscapesControls) {
  const std::wstring longText(10000, L'x');
  const std::pair<std::string, std::string> rows[] = {
      {logged(L"[%s|%ws|%ls]", L"a", L"b", L"c"), "[a|b|c]"},
      {logged(L"%s", L"\u00E9t\u00E9 \U0001F600"), "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"},
      {logged(L"%I64d %I64u", 1099511627776LL, 18446744073709551615ULL),
       "1099511627776 18446744073709551615"},
      {logged(L"50%"), "50%"},
      {logged(L"%s", static_cast<const wchar_t*>(nullptr)), "(null)"},
      // No logged text can start a line of its own.
      {logged(L"a%Sb", "\r\n[EventService] received event 669\t\x01\x7F"),
       "a\\r\\n[EventService] received event 669\\t\\x01\\x7Fb"},
      // Nor with what some readers take for a line end: C1, U+2028, U+2029, a stray C1 byte.
      {logged(L"a%Sb", "\xC2\x85[E] 669\xE2\x80\xA8[E]\xE2\x80\xA9\xC2\x9F\xC2\xA0\xE2\x80\xA7"),
       "a\\xC2\\x85[E] 669\\xE2\\x80\\xA8[E]\\xE2\\x80\\xA9\\xC2\\x9F\xC2\xA0\xE2\x80\xA7"
       "b"},
      // Bytes that are not UTF-8 are taken as Latin-1, the rest of the line as usual.
      {logged(L"'%S' %d %s %.1f", "caf\xE9 \xC3\xA9 \xED\xA0\x80", -3, L"w", 2.25),
       "'caf\xC3\xA9 \xC3\xA9 \xC3\xAD\xC2\xA0\\xC2\\x80' -3 w 2.2"},
      {logged(L"[%-4S|%*S|%.2S|%x|%lld]", "\xFF", 3, "\xC3", "\xE9\xE9\xE9", 255u, 1LL << 40),
       "[\xC3\xBF   |  \xC3\x83|\xC3\xA9\xC3\xA9|ff|1099511627776]"},
      {logged(L"<%s>", longText.c_str()), "<" + std::string(10000, 'x') + ">"},
  };
  for (size_t row = 0; row < std::size(rows); ++row)
    EXPECT_EQ(rows[row].first, rows[row].second) << "row " << row;
}

TEST_F(HostLog, LinesBelowTheLevelAreDroppedUnformatted) {
  using L = MakoraLog_Static;
  const std::pair<std::function<void()>, std::vector<std::string>> rows[] = {
      {[] { StandinLog::setLevel(L::Information); }, {"I", "R", "W", "E"}},
      {[] { StandinLog::setRequestLevel(); }, {"R", "W", "E"}},
      {[] { StandinLog::setLevel(L::Error); }, {"E"}},
  };
  for (const auto& [setLevel, kept] : rows) {
    setLevel();
    L::logTrace_static(L"C", L"M", L"X", L"%s", L"T");
    L::logInformation_static(L"C", L"M", L"X", L"%s", L"I");
    L::logTrace_static(L"C", L"M", L"RequestLog", L"%s", L"r");
    L::logInformation_static(L"C", L"M", L"RequestLog", L"%s", L"R");
    L::logWarning_static(L"C", L"M", L"X", L"%s", L"W");
    L::logError_static(L"C", L"M", L"X", -1, L"%s", L"E");
    EXPECT_EQ(messages(), kept);
    const bool request = std::find(kept.begin(), kept.end(), "R") != kept.end();
    EXPECT_EQ(L::isEnabled(L::Information, L"RequestLog"), request);
    EXPECT_EQ(L::isEnabled(L::Information, L"X"), kept.size() > 3);
  }
  // Formatting this argument would crash: it must never be looked at.
  MakoraLog_Static::logWarning_static(L"C", L"M", L"X", L"%s",
                                      reinterpret_cast<const wchar_t*>(16));
  EXPECT_TRUE(messages().empty());
}

TEST_F(HostLog, TheRequestListenerHearsEveryRequestLineWhateverTheLevel) {
  std::vector<std::string> heard;
  StandinLog::setRequestListener([&](const LogRecord& record) { heard.push_back(record.message); });
  StandinLog::setLevel(MakoraLog_Static::Error);
  EXPECT_TRUE(MakoraLog_Static::isEnabled(MakoraLog_Static::Information, L"RequestLog"));
  MakoraLog_Static::logInformation_static(L"C", L"M", L"RequestLog", L"GET %s 200", L"/a");
  MakoraLog_Static::logInformation_static(L"C", L"M", L"X", L"not a request");
  StandinLog::setRequestListener(nullptr);
  MakoraLog_Static::logInformation_static(L"C", L"M", L"RequestLog", L"GET /b 200");
  EXPECT_EQ(heard, std::vector<std::string>{"GET /a 200"});
  EXPECT_TRUE(messages().empty());  // heard, not written
  EXPECT_FALSE(MakoraLog_Static::isEnabled(MakoraLog_Static::Information, L"RequestLog"));
}

// Flushed per line: readable while the file is open; turned over at its size limit.
TEST_F(HostLog, FileLinesCarryTimeLevelThreadAndClassAndTurnOver) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("host-log-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  ASSERT_TRUE(StandinLog::setFile((dir / "x.log").string()));
  MakoraLog_Static::logInformation_static(L"C", L"M", L"HttpDaemon", L"[%s]: Method started.",
                                          L"HttpDaemon::svc()");

  std::ifstream in(dir / "x.log");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 1u);
  const std::string stamp = R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} )";
  EXPECT_TRUE(std::regex_search(
      lines[0], std::regex(stamp + R"(\[info\] \[\d+\] \[HttpDaemon\] )"
                                   R"(\[HttpDaemon::svc\(\)\]: Method started\.$)")))
      << lines[0];

  const std::string block(64 * 1024, 'x');
  for (size_t written = 0; written <= standin_limits::kLogFileBytes; written += block.size())
    StandinLog::write(MakoraLog_Static::Warning, "X", block);
  StandinLog::setFile("");
  EXPECT_TRUE(std::filesystem::exists(dir / "x.1.log"));
  EXPECT_LE(std::filesystem::file_size(dir / "x.log"), standin_limits::kLogFileBytes);
  std::filesystem::remove_all(dir);
}

class Component : public CComponent_Thread_Ref {
 public:
  using CComponent_Thread_Ref::CComponent_Thread_Ref;
};

class RecordingProxy : public ProxyComponent {
 public:
  using ProxyComponent::ProxyComponent;
  void handleEvent(const EventDestroyingComponent& event) override {
    seen.push_back(str(event.getComponentID().getText()));
  }
  std::vector<std::wstring> seen;
};

TEST(HostEvents, DestroyingEventsReachTheProxiesOfThatComponent) {
  Component server(ID("OrvFTServer"));
  Component other(ID("Other"));
  RecordingProxy proxy(&server);
  RecordingProxy otherProxy(&other);
  RecordingProxy unbound(nullptr);
  proxy.Register(ID("OrvFTServer"));  // twice is still once
  EXPECT_EQ(StandinEvents::announceDestroying(ID("OrvFTServer")), 1u);
  EXPECT_EQ(proxy.seen, std::vector<std::wstring>{L"OrvFTServer"});
  EXPECT_TRUE(otherProxy.seen.empty() && unbound.seen.empty());

  EXPECT_EQ(proxy.unregister(ID("OrvFTServer")), 0);
  EXPECT_NE(proxy.unregister(ID("OrvFTServer")), 0);
  EXPECT_EQ(StandinEvents::announceDestroying(ID("OrvFTServer")), 0u);
  { RecordingProxy shortLived(&server); }
  EXPECT_EQ(StandinEvents::announceDestroying(ID("OrvFTServer")), 0u);
  EXPECT_EQ(StandinEvents::announceDestroying(ID("Other")), 1u);
}

TEST(HostEvents, CustomEventsArriveInOrderAndAgainAfterShutdown) {
  StandinLog::setStderr(false);
  StandinEvents::clear();
  for (int id : {669, 1, 669}) BEvent<CustomEvent>::notify_async(CustomEvent(id), nullptr);
  ASSERT_TRUE(StandinEvents::waitForCount(3, 10000));
  EXPECT_EQ(StandinEvents::received(), (std::vector<int>{669, 1, 669}));
  StandinEvents::shutdown();
  // Started from a component's thread, the delivery thread does not take its name.
  std::thread([] {
    pthread_setname_np(pthread_self(), "QFTServer::conn");
    BEvent<CustomEvent>::notify_async(CustomEvent(7), nullptr);
  }).join();
  EXPECT_TRUE(StandinEvents::waitForCount(4, 10000));
  std::multiset<std::string> names;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::string name;
    std::getline(std::ifstream(task.path() / "comm"), name);
    names.insert(name);
  }
  EXPECT_EQ(names.count("QFTServer::conn"), 0u);
  EXPECT_EQ(names.count("host-events"), 1u);
  // Only the newest are kept.
  StandinEvents::clear();
  const int posted = static_cast<int>(standin_limits::kEventHistory) + 5;
  for (int id = 1; id <= posted; ++id) StandinEvents::post(id);
  ASSERT_TRUE(StandinEvents::waitForCount(static_cast<size_t>(posted), 10000));
  const std::vector<int> kept = StandinEvents::received();
  ASSERT_EQ(kept.size(), standin_limits::kEventHistory);
  EXPECT_EQ(kept.front(), 6);
  EXPECT_EQ(kept.back(), posted);
  StandinEvents::clear();
  StandinLog::setStderr(true);
}

}  // namespace
