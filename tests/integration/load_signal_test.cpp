// A stop signal while ft-host reads its data file: a FIFO nobody writes to
// must never hold the start, whether it is refused or the signal ends it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "support/ft_host.h"

namespace {

namespace fs = std::filesystem;

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

TEST(FtHostLoad, StopSignalWhileReadingAFifoEndsWithAReason) {
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(::strsignal(signal));
    std::string dir = (fs::temp_directory_path() / "ft-load-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    const std::string fifo = dir + "/host.xml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string output = dir + "/output.txt";
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
    ::kill(pid, signal);
    // waitForExit kills a process still running after 20 s, which fails here.
    EXPECT_EQ(detail::waitForExit(pid), 2);
    const std::string text = detail::readFile(output);
    EXPECT_EQ(text.rfind("ft-host: ", 0), 0u) << text;
    EXPECT_NE(text.find(fifo), std::string::npos) << text;
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
}

}  // namespace
