#include "PanelRecords.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "StandinLimits.h"

namespace {

using nlohmann::json;

std::int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The entries of a numbered deque after `after`: a reader that fell behind gets what is kept.
template <class Entry>
json after(const std::deque<Entry>& entries, std::uint64_t next, std::uint64_t after,
           std::uint64_t from = 0) {
  json out = json::array();
  const std::uint64_t first = next - entries.size();
  for (std::uint64_t n = std::max({after + 1, first, from}); n < next; ++n)
    out.push_back(PanelRecords::toJson(entries[n - first]));
  return out;
}

}  // namespace

bool PanelRecords::parseLine(const std::string& line, Request& request) {
  // Method, target, status, size, "B", time, "ms": the target holds no blank;
  // a command's answer follows ": ". Split by hand: a string stream per request
  // cost more than the rest of the record.
  const size_t answer = line.find(" ms: ");
  if (answer != std::string::npos) request.body = line.substr(answer + 5);
  const std::string_view head =
      std::string_view(line).substr(0, answer == std::string::npos ? line.size() : answer + 3);
  static constexpr char kBlanks[] = " \t\n\v\f\r";
  std::string_view words[8];
  size_t count = 0;
  for (size_t at = head.find_first_not_of(kBlanks); at != std::string_view::npos && count < 8;
       at = head.find_first_not_of(kBlanks, at)) {
    const size_t end = std::min(head.find_first_of(kBlanks, at), head.size());
    words[count++] = head.substr(at, end - at);
    at = end;
  }
  if (count != 7 || words[4] != "B" || words[6] != "ms") return false;
  request.method = words[0];
  request.target = words[1];
  request.status = std::atoi(std::string(words[2]).c_str());
  request.bytes = std::atoll(std::string(words[3]).c_str());
  request.ms = std::strtod(std::string(words[5]).c_str(), nullptr);
  return true;
}

void PanelRecords::addRequest(const std::string& line, const std::string& ecu) {
  Request request;
  request.at = nowMs();
  request.line = line;
  request.ecu = ecu.substr(0, standin_limits::kPanelAnswerChars);
  if (!parseLine(line, request)) request.target = line;
  std::lock_guard<std::mutex> lock(guard_);
  request.number = requestsNext_++;
  if (recording_)
    addStep(json{{"kind", "request"},
                 {"at", request.at},
                 {"target", request.target},
                 {"status", request.status},
                 {"body", request.body}});
  requests_.push_back(std::move(request));
  if (requests_.size() > standin_limits::kPanelLogLines) requests_.pop_front();
}

void PanelRecords::addProblem(MakoraLog_Static::Level level, const std::string& source,
                              const std::string& text) {
  Problem problem{0, nowMs(), level >= MakoraLog_Static::Error ? "error" : "warning", source, text};
  std::lock_guard<std::mutex> lock(guard_);
  problem.number = problemsNext_++;
  if (recording_) addStep(json{{"kind", "problem"}, {"at", problem.at}, {"text", problem.text}});
  problems_.push_back(std::move(problem));
  if (problems_.size() > standin_limits::kPanelProblems) problems_.pop_front();
}

std::uint64_t PanelRecords::nextProblem() const {
  std::lock_guard<std::mutex> lock(guard_);
  return problemsNext_;
}

void PanelRecords::record(bool on) {
  std::lock_guard<std::mutex> lock(guard_);
  if (on) {
    steps_ = json::array();
    recordingFull_ = false;
  }
  recording_ = on;
}

// Called under guard_.
void PanelRecords::addStep(json step) {
  if (steps_.size() >= standin_limits::kRecordingSteps) {
    recording_ = false;
    recordingFull_ = true;
    return;
  }
  steps_.push_back(std::move(step));
}

void PanelRecords::addChange(const std::string& route, const std::string& body) {
  json change{{"kind", "change"}, {"at", nowMs()}, {"route", route}};
  change["body"] = body.empty() ? json(nullptr) : json::parse(body, nullptr, false);
  std::lock_guard<std::mutex> lock(guard_);
  if (recording_) addStep(std::move(change));
}

bool PanelRecords::addPageAction(json action) {
  if (!action.contains("at")) action["at"] = nowMs();
  std::lock_guard<std::mutex> lock(guard_);
  if (!recording_) return false;
  addStep(std::move(action));
  return true;
}

json PanelRecords::recording(bool withSteps) const {
  std::lock_guard<std::mutex> lock(guard_);
  return json{{"recording", recording_},
              {"full", recordingFull_},
              {"steps", withSteps ? steps_ : json(steps_.size())}};
}

json PanelRecords::requestsAfter(std::uint64_t from) const {
  std::lock_guard<std::mutex> lock(guard_);
  json entries = after(requests_, requestsNext_, from);
  json lines = json::array();
  for (const json& entry : entries) lines.push_back(entry["line"]);
  return json{{"next", requestsNext_ - 1}, {"lines", lines}, {"entries", entries}};
}

json PanelRecords::problemsAfter(std::uint64_t from) const {
  std::lock_guard<std::mutex> lock(guard_);
  return json{{"next", problemsNext_ - 1},
              {"count", problemsNext_ - 1},
              {"entries", after(problems_, problemsNext_, from)}};
}

json PanelRecords::toJson(const Request& request) {
  return json{{"number", request.number}, {"at", request.at},         {"method", request.method},
              {"target", request.target}, {"status", request.status}, {"bytes", request.bytes},
              {"ms", request.ms},         {"body", request.body},     {"ecu", request.ecu},
              {"line", request.line}};
}

json PanelRecords::toJson(const Problem& problem) {
  return json{{"number", problem.number},
              {"at", problem.at},
              {"level", problem.level},
              {"source", problem.source},
              {"text", problem.text}};
}
