#pragma once

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
  static void setLevel(MakoraLog_Static::Level level);
  static MakoraLog_Static::Level level();
  // Also appends every line to path, flushed per line; an empty path stops
  // that. False when the file cannot be opened (the previous file is kept).
  static bool setFile(const std::string& path);
  // Lines to stderr (the default) or not.
  static void setStderr(bool enabled);
  // Keeps every line written from now on until takeCaptured.
  static void startCapture();
  static void stopCapture();
  static std::vector<LogRecord> takeCaptured();
  // Writes one line without a level check; for the host's own services.
  static void write(MakoraLog_Static::Level level, const std::string& className,
                    const std::string& message);
};
