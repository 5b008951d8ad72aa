#pragma once

#include <functional>
#include <string>
#include <vector>

#include "MakoraLog_Static.h"

// One line as the logger wrote it, kept for tests.
struct LogRecord {
  MakoraLog_Static::Level level;
  std::string className;
  std::string message;  // UTF-8, exactly as formatted
};

// Configuration of the host logger. Lines go to stderr (and a file when set) as
// "<local time .ms> [<level>] [<thread id>] [<class>] <message>".
class HOST_API StandinLog {
 public:
  // The logging class of the component's one line per request.
  static constexpr const char* kRequestClass = "RequestLog";

  // Lowest level written, for every class.
  static void setLevel(MakoraLog_Static::Level level);
  // The request log: warnings, errors and the information lines of kRequestClass.
  static void setRequestLevel();
  // The lowest level written for most classes (Warning for the request log).
  static MakoraLog_Static::Level level();
  // Whether a line of this level and class is written.
  static bool shows(MakoraLog_Static::Level level, const std::string& className);

  // Receives every kRequestClass line, whatever the level; an empty function
  // stops that. Called on the logging thread, outside the logger's locks.
  using RequestListener = std::function<void(const LogRecord&)>;
  static void setRequestListener(RequestListener listener);
  // Receives every warning and error line that is written; an empty function stops that.
  static void setProblemListener(RequestListener listener);
  // Also appends every line to path, flushed per line and turned over at
  // standin_limits::kLogFileBytes; an empty path stops that. False when the
  // file cannot be opened or its folder does not exist (the previous file is kept).
  static bool setFile(const std::string& path);
  // Lines to stderr (the default) or not.
  static void setStderr(bool enabled);
  // Keeps every line written from now on until takeCaptured.
  static void startCapture();
  static void stopCapture();
  static std::vector<LogRecord> takeCaptured();
  // The text with every control character as an escape, as lines are written: for
  // other outputs that show text from files or clients.
  static std::string escapeControls(const std::string& text);
  // Writes one line if its level and class are shown; for the host's own services.
  static void write(MakoraLog_Static::Level level, const std::string& className,
                    const std::string& message);
};
