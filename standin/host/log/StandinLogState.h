#pragma once

#include <spdlog/logger.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "StandinLog.h"

// One listener slot: set and cleared under its guard, heard without a lock when empty.
class LogListenerSlot {
 public:
  void set(StandinLog::RequestListener listener);
  bool empty() const { return !set_.load(std::memory_order_relaxed); }
  void call(const LogRecord& record);

 private:
  // guard_ guards listener_; set_ is also read unlocked as a fast path.
  std::mutex guard_;
  std::atomic<bool> set_{false};
  std::shared_ptr<const StandinLog::RequestListener> listener_;
};

// The logger's process-wide state, private to the host library.
class StandinLogState {
 public:
  static StandinLogState& instance();

  void write(MakoraLog_Static::Level level, const std::string& className,
             const std::string& message);
  bool shows(MakoraLog_Static::Level level, bool requestLine) const;
  // Whether a line of this level and class is written or heard by the listener.
  bool wanted(MakoraLog_Static::Level level, bool requestLine) const;
  void setRequestListener(StandinLog::RequestListener listener) {
    requestListener_.set(std::move(listener));
  }
  void setProblemListener(StandinLog::RequestListener listener) {
    problemListener_.set(std::move(listener));
  }
  bool setFile(const std::string& path);
  void setStderr(bool enabled);
  void startCapture();
  void stopCapture();
  std::vector<LogRecord> takeCaptured();

  // requestLines: lines of the request class are written below the level too.
  void setLevel(MakoraLog_Static::Level level, bool requestLines);
  MakoraLog_Static::Level level() const { return level_.load(std::memory_order_relaxed); }

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

  // Read without a lock on every call.
  std::atomic<MakoraLog_Static::Level> level_{MakoraLog_Static::Information};
  std::atomic<bool> requestLines_{false};

  // captureGuard_ guards captured_; capturing_ is also read unlocked as a fast path.
  std::mutex captureGuard_;
  std::atomic<bool> capturing_{false};
  std::vector<LogRecord> captured_;

  LogListenerSlot requestListener_;
  LogListenerSlot problemListener_;
};
