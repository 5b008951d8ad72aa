#include "StandinLog.h"

#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <shared_mutex>

#include "StandinLimits.h"
#include "StandinLogState.h"
#include "WideText.h"

namespace {

spdlog::level::level_enum toSpdlog(MakoraLog_Static::Level level) {
  switch (level) {
    case MakoraLog_Static::Trace:
      return spdlog::level::trace;
    case MakoraLog_Static::Information:
      return spdlog::level::info;
    case MakoraLog_Static::Warning:
      return spdlog::level::warn;
    case MakoraLog_Static::Error:
      break;
  }
  return spdlog::level::err;
}

}  // namespace

// Logged text (a client's request among it) can neither start a line of its own
// nor hide one. C1 controls and the line and paragraph separators count: some
// readers break lines on them. Each of their bytes is escaped, and so is a stray
// byte 0x80-0x9F, which a Latin-1 reader would take for a C1 control.
std::string StandinLog::escapeControls(const std::string& text) {
  auto mayNeedEscape = [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte <= 0x9F);
  };
  if (std::none_of(text.begin(), text.end(), mayNeedEscape)) return text;
  std::string out;
  out.reserve(text.size() + 16);
  const auto escape = [&](char c) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
    out += hex;
  };
  for (size_t at = 0; at < text.size();) {
    const char c = text[at];
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      char32_t codePoint = 0;
      const size_t length = utf8Length(text.data() + at, text.size() - at, codePoint);
      if (length == 0) {
        if (byte <= 0x9F)
          escape(c);
        else
          out += c;
        ++at;
        continue;
      }
      if ((codePoint >= 0x80 && codePoint <= 0x9F) || codePoint == 0x2028 || codePoint == 0x2029)
        std::for_each(text.begin() + at, text.begin() + at + length, escape);
      else
        out.append(text, at, length);
      at += length;
      continue;
    }
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else if (byte < 0x20 || byte == 0x7F)
      escape(c);
    else
      out += c;
    ++at;
  }
  return out;
}

StandinLogState& StandinLogState::instance() {
  static StandinLogState state;
  return state;
}

StandinLogState::StandinLogState()
    : stderrSink_(std::make_shared<spdlog::sinks::stderr_sink_mt>()) {
  rebuild();
}

StandinLogState::~StandinLogState() = default;

// Caller holds sinksGuard_ exclusively (or is the constructor).
void StandinLogState::rebuild() {
  std::vector<spdlog::sink_ptr> sinks;
  if (stderrEnabled_) sinks.push_back(stderrSink_);
  if (fileSink_) sinks.push_back(fileSink_);
  logger_ = std::make_shared<spdlog::logger>("host", sinks.begin(), sinks.end());
  logger_->set_pattern("%Y-%m-%d %H:%M:%S.%e [%l] [%t] %v");
  logger_->set_level(spdlog::level::trace);
  logger_->flush_on(spdlog::level::trace);
}

bool StandinLogState::shows(MakoraLog_Static::Level lineLevel, bool requestLine) const {
  if (lineLevel >= level_.load(std::memory_order_relaxed)) return true;
  return requestLine && lineLevel == MakoraLog_Static::Information &&
         requestLines_.load(std::memory_order_relaxed);
}

bool StandinLogState::wanted(MakoraLog_Static::Level lineLevel, bool requestLine) const {
  return shows(lineLevel, requestLine) ||
         (requestLine && lineLevel == MakoraLog_Static::Information && !requestListener_.empty());
}

void LogListenerSlot::set(StandinLog::RequestListener listener) {
  std::lock_guard lock(guard_);
  listener_ =
      listener ? std::make_shared<const StandinLog::RequestListener>(std::move(listener)) : nullptr;
  set_ = listener_ != nullptr;
}

void LogListenerSlot::call(const LogRecord& record) {
  if (empty()) return;
  std::shared_ptr<const StandinLog::RequestListener> listener;
  {
    std::lock_guard lock(guard_);
    listener = listener_;
  }
  if (listener) (*listener)(record);
}

void StandinLogState::write(MakoraLog_Static::Level lineLevel, const std::string& className,
                            const std::string& rawMessage) {
  const std::string message = StandinLog::escapeControls(rawMessage);
  const bool requestLine = className == StandinLog::kRequestClass;
  if (requestLine && lineLevel == MakoraLog_Static::Information)
    requestListener_.call(LogRecord{lineLevel, className, message});
  if (!shows(lineLevel, requestLine)) return;
  if (lineLevel >= MakoraLog_Static::Warning)
    problemListener_.call(LogRecord{lineLevel, className, message});
  if (capturing_.load(std::memory_order_relaxed)) {
    std::lock_guard lock(captureGuard_);
    if (capturing_) captured_.push_back({lineLevel, className, message});
  }
  std::shared_lock lock(sinksGuard_);
  logger_->log(toSpdlog(lineLevel), "[{}] {}", className, message);
}

bool StandinLogState::setFile(const std::string& path) {
  spdlog::sink_ptr sink;
  if (!path.empty()) {
    // The sink would create a missing folder: a mistyped path must not leave folders behind.
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) return false;
    // Opening a FIFO would wait for a reader, deaf to stop signals; other kinds cannot turn over.
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return false;
    try {
      sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
          path, standin_limits::kLogFileBytes, standin_limits::kLogFilesKept);
    } catch (const spdlog::spdlog_ex&) {
      return false;
    }
  }
  std::unique_lock lock(sinksGuard_);
  fileSink_ = std::move(sink);
  rebuild();
  return true;
}

void StandinLogState::setStderr(bool enabled) {
  std::unique_lock lock(sinksGuard_);
  stderrEnabled_ = enabled;
  rebuild();
}

void StandinLogState::startCapture() {
  std::lock_guard lock(captureGuard_);
  captured_.clear();
  capturing_ = true;
}

void StandinLogState::stopCapture() {
  std::lock_guard lock(captureGuard_);
  capturing_ = false;
  captured_.clear();
}

std::vector<LogRecord> StandinLogState::takeCaptured() {
  std::lock_guard lock(captureGuard_);
  return std::exchange(captured_, {});
}

void StandinLogState::setLevel(MakoraLog_Static::Level lowest, bool requestLines) {
  level_.store(lowest, std::memory_order_relaxed);
  requestLines_.store(requestLines, std::memory_order_relaxed);
}

void StandinLog::setLevel(MakoraLog_Static::Level level) {
  StandinLogState::instance().setLevel(level, false);
}

void StandinLog::setRequestLevel() {
  StandinLogState::instance().setLevel(MakoraLog_Static::Warning, true);
}

bool StandinLog::shows(MakoraLog_Static::Level level, const std::string& className) {
  return StandinLogState::instance().shows(level, className == kRequestClass);
}

void StandinLog::setRequestListener(RequestListener listener) {
  StandinLogState::instance().setRequestListener(std::move(listener));
}

void StandinLog::setProblemListener(RequestListener listener) {
  StandinLogState::instance().setProblemListener(std::move(listener));
}

MakoraLog_Static::Level StandinLog::level() {
  return StandinLogState::instance().level();
}

bool StandinLog::setFile(const std::string& path) {
  return StandinLogState::instance().setFile(path);
}
void StandinLog::setStderr(bool enabled) {
  StandinLogState::instance().setStderr(enabled);
}
void StandinLog::startCapture() {
  StandinLogState::instance().startCapture();
}
void StandinLog::stopCapture() {
  StandinLogState::instance().stopCapture();
}
std::vector<LogRecord> StandinLog::takeCaptured() {
  return StandinLogState::instance().takeCaptured();
}

void StandinLog::write(MakoraLog_Static::Level level, const std::string& className,
                       const std::string& message) {
  StandinLogState::instance().write(level, className, message);
}
