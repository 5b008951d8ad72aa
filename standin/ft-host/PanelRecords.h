#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

#include "MakoraLog_Static.h"

// What the control panel tells the author happened: one entry per request the
// component answered, with what the simulated ECU answered it, and the host's
// warnings and errors. Both are numbered from 1 and bounded: a reader asks for
// what came after the last number it saw.
class PanelRecords {
 public:
  struct Request {
    std::uint64_t number = 0;
    std::int64_t at = 0;  // ms since the epoch
    std::string method;
    std::string target;
    int status = 0;
    long long bytes = 0;
    double ms = 0;
    std::string body;  // the start of a command's answer to the page; empty for files
    std::string ecu;   // what the simulated ECU answered; empty when it was not asked
    std::string line;  // the request log line as written
  };
  struct Problem {
    std::uint64_t number = 0;
    std::int64_t at = 0;
    std::string level;   // "warning" or "error"
    std::string source;  // the logging class
    std::string text;
  };

  // A request log line ("GET /x 200 48 B 0.4 ms", a command's with ": " and
  // the start of its answer) and the ECU's answer to it.
  void addRequest(const std::string& line, const std::string& ecu);
  void addProblem(MakoraLog_Static::Level level, const std::string& source,
                  const std::string& text);
  // The number the next problem will get.
  std::uint64_t nextProblem() const;

  // A recording holds, from its start to its stop, every request, every change made through
  // the panel, every action of the page and every problem, in the order they came. Starting drops
  // the last.
  void record(bool on);
  // A change the panel made (its route and JSON body), or the page's action: kept only
  // while recording, with `at` and `kind` added.
  void addChange(const std::string& route, const std::string& body);
  bool addPageAction(nlohmann::json action);
  // {"recording": on, "full": the cap was reached, "steps": [...]}, or the steps' count only.
  nlohmann::json recording(bool withSteps = true) const;

  // {"next": N, "lines": [the lines], "entries": [requests]} after number `after`.
  nlohmann::json requestsAfter(std::uint64_t after) const;
  // {"next": N, "count": problems ever, "entries": [problems]} after number `after`.
  nlohmann::json problemsAfter(std::uint64_t after) const;

  static nlohmann::json toJson(const Request& request);
  static nlohmann::json toJson(const Problem& problem);
  // Splits a request log line into the entry's fields; false when it is not one.
  static bool parseLine(const std::string& line, Request& request);

 private:
  // guard_ guards everything below.
  mutable std::mutex guard_;
  std::deque<Request> requests_;
  std::uint64_t requestsNext_ = 1;
  std::deque<Problem> problems_;
  std::uint64_t problemsNext_ = 1;
  bool recording_ = false;
  bool recordingFull_ = false;
  nlohmann::json steps_ = nlohmann::json::array();

  void addStep(nlohmann::json step);
};
