#pragma once

#include <spdlog/logger.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "StandinLog.h"

// The logger's process-wide state, private to the host library.
class StandinLogState {
 public:
  static StandinLogState& instance();

  void write(MakoraLog_Static::Level level, const std::string& className,
             const std::string& message);
  bool setFile(const std::string& path);
  void setStderr(bool enabled);
  void startCapture();
  void stopCapture();
  std::vector<LogRecord> takeCaptured();

  // Lowest level written; read without a lock on every call.
  std::atomic<MakoraLog_Static::Level> level{MakoraLog_Static::Information};

 private:
  StandinLogState();
  ~StandinLogState();
  void rebuild();

  // sinksGuard_: shared by writers, exclusive while the sinks change.
  std::shared_mutex sinksGuard_;
  std::shared_ptr<spdlog::logger> logger_;
  spdlog::sink_ptr stderrSink_;
  spdlog::sink_ptr fileSink_;
  bool stderrEnabled_ = true;

  // captureGuard_ guards captured_; capturing_ is also read unlocked as a fast path.
  std::mutex captureGuard_;
  std::atomic<bool> capturing_{false};
  std::vector<LogRecord> captured_;
};
