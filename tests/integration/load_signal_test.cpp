// A stop signal during ft-host's start is never lost: a FIFO nobody writes to
// must not hold the start, and a signal between load and serving ends it too.
// Guards against: a signal lost while the data file is read, between load and
// serving, or the moment the port accepts; an exit status that does not tell.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "support/ft_host.h"

namespace {

// True once the main thread blocks both stop signals, so that a signal sent now
// is taken by ft-host rather than killing it; false when it has already ended.
bool stopSignalsBlocked(pid_t pid) {
  const std::string status = detail::readFile("/proc/" + std::to_string(pid) + "/status");
  const size_t at = status.find("SigBlk:");
  if (at == std::string::npos) return false;
  const unsigned long long mask = std::stoull(status.substr(at + 7), nullptr, 16);
  const unsigned long long stops = (1ULL << (SIGINT - 1)) | (1ULL << (SIGTERM - 1));
  return (mask & stops) == stops;
}

// The state letter of the main thread: 'R' while it computes rather than waits for a signal.
char mainThreadState(pid_t pid) {
  const std::string stat = detail::readFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t nameEnd = stat.rfind(')');
  return nameEnd == std::string::npos || nameEnd + 2 >= stat.size() ? '?' : stat[nameEnd + 2];
}

TEST(FtHostLoad, StopSignalWhileReadingAFifoEndsWithAReason) {
  const TempDir dir;
  const std::string fifo = dir.path() + "/host.xml", output = dir.path() + "/output.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const pid_t pid = detail::spawnHost(
      {"--data", fifo, "--port", std::to_string(detail::pickFreePort())}, output, output);
  ASSERT_GT(pid, 0);
  // Bounded: the signal is sent once ft-host blocks it or has ended on its own.
  for (int i = 0; i < 2000 && !stopSignalsBlocked(pid); ++i) {
    siginfo_t ended{};
    if (::waitid(P_PID, pid, &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid == pid)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(pid, SIGTERM);
  // waitForExit kills a process still running after 20 s, which fails here.
  EXPECT_EQ(detail::waitForExit(pid), 2);
  const std::string text = detail::readFile(output);
  EXPECT_EQ(text.rfind("ft-host: ", 0), 0u) << text;
  EXPECT_NE(text.find(fifo), std::string::npos) << text;
}

// Sent once the loader thread is gone and the main thread computes (masks, component):
// the signal waits, pending, for the wait on the socket. Enough items make that window wide.
TEST(FtHostLoad, StopSignalBetweenLoadAndServingEndsTheStart) {
  const TempDir dir;
  const std::string data = dir.path() + "/host.xml", output = dir.path() + "/output.txt";
  {
    std::ofstream file(data);
    file << "<host ecu='DEMO'><data><string key='data:/Configuration/OrvaneFunctionTests/"
            "ListenAddress'>127.0.0.1</string><set key='data:/Auto/InternalOwner/UCEs/DEMO/"
            "States'>\n";
    for (int i = 0; i < 20000; ++i) file << "<integer name='V" << i << "'>" << i << "</integer>\n";
    file << "</set></data><ecu name='DEMO'/></host>\n";
  }
  // The window is hit more often than not: a few starts catch a lost signal.
  for (const int signal : {SIGTERM, SIGINT, SIGTERM, SIGINT}) {
    SCOPED_TRACE(::strsignal(signal));
    std::ofstream(output, std::ios::trunc);
    const pid_t pid = detail::spawnHost(
        {"--data", data, "--port", std::to_string(detail::pickFreePort()), "--control-port", "0"},
        output, output);
    ASSERT_GT(pid, 0);
    bool loaderSeen = false;
    for (int i = 0; i < 10000; ++i) {
      const size_t threads = detail::threadsOf(pid);
      loaderSeen = loaderSeen || threads == 2;
      // No threads: ended; more than two: the component runs already.
      if (threads == 0 || threads > 2 ||
          (loaderSeen && threads == 1 && mainThreadState(pid) == 'R'))
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::kill(pid, signal);
    // A lost signal leaves ft-host serving: waitForExit kills it after 20 s (137).
    const int status = detail::waitForExit(pid);
    const std::string text = detail::readFile(output);
    if (text.find("ft-host: serving ") != std::string::npos) {
      EXPECT_EQ(status, 0) << text;
    } else {
      EXPECT_EQ(status, 2) << text;
      EXPECT_NE(text.find(std::string("ft-host: stopped on ") + ::strsignal(signal)),
                std::string::npos)
          << text;
    }
  }
}

// From the moment the port accepts, ft-host serves: a stop then is a clean one, announced.
TEST(FtHostLoad, StopSignalOnceThePortAcceptsIsACleanStop) {
  const TempDir dir;
  const std::string data = dir.path() + "/host.xml", output = dir.path() + "/output.txt";
  std::ofstream(data) << "<host ecu='DEMO'><ecu name='DEMO'/></host>\n";
  // The port comes up a few milliseconds before ft-host looks: most starts hit that window.
  for (int start = 0; start < 8; ++start) {
    SCOPED_TRACE(start);
    std::ofstream(output, std::ios::trunc);
    const int port = detail::pickFreePort();
    const pid_t pid = detail::spawnHost(
        {"--data", data, "--port", std::to_string(port), "--control-port", "0"}, output, output);
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 20000 && !detail::isListening(port); ++i)
      std::this_thread::sleep_for(std::chrono::microseconds(250));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(detail::waitForExit(pid), 0) << detail::readFile(output);
    EXPECT_NE(detail::readFile(output).find("ft-host: serving "), std::string::npos);
  }
}

}  // namespace
