#include "SimulatedEcu.h"

#include <algorithm>

namespace {

using Answer = SimulatedEcu::Answer;

// The first refusal or silence wins; delays add up to the longest.
void combine(Answer& into, const Answer& next) {
  into.delayMs = std::max(into.delayMs, next.delayMs);
  if (into.refuse || into.noAnswer) return;
  into.refuse = next.refuse;
  into.noAnswer = next.noAnswer;
}

template <class T>
Answer answerOf(const T& target) {
  return Answer{target.refuse, target.noAnswer, target.delayMs};
}

template <class T>
void setAnswerOf(T& target, const Answer& answer) {
  target.refuse = answer.refuse;
  target.noAnswer = answer.noAnswer;
  target.delayMs = answer.delayMs;
}

bool same(const Answer& a, const Answer& b) {
  return a.refuse == b.refuse && a.noAnswer == b.noAnswer && a.delayMs == b.delayMs;
}

// The file's entry for key, or none when the file has none.
template <class Map>
void restore(Map& live, const Map& file, const typename Map::key_type& key) {
  if (auto found = file.find(key); found != file.end())
    live[key] = found->second;
  else
    live.erase(key);
}

// Applies change to the entry listed under name; false when none is.
template <class Map, class Change>
bool changeListed(Map& entries, const std::wstring& name, Change change) {
  auto found = entries.find(name);
  if (found == entries.end()) return false;
  change(found->second);
  return true;
}

// Whether a listed entry's answer or its field differs from the file's; false
// when either does not list it.
template <class Entry, class Field>
bool differsFromFile(const std::map<std::wstring, Entry>& live,
                     const std::map<std::wstring, Entry>& file, const std::wstring& name,
                     Field Entry::*field) {
  auto now = live.find(name);
  auto was = file.find(name);
  if (now == live.end() || was == file.end()) return false;
  return now->second.*field != was->second.*field ||
         !same(answerOf(now->second), answerOf(was->second));
}

}  // namespace

SimulatedEcu::SimulatedEcu() = default;

SimulatedEcu::SimulatedEcu(Description description, Millis now)
    : described_(std::move(description)) {
  reset(now);
}

void SimulatedEcu::reset(Millis now) {
  live_ = described_;
  running_.clear();
  setByHand_.clear();
  for (const auto& [item, behaviour] : live_.behaviours)
    if (behaviour.startedBy.empty()) running_[item] = now;
}

SimulatedEcu::Answer SimulatedEcu::answerFor(const Targets& targets) const {
  Answer answer = answerOf(live_);
  for (const ItemKey& item : targets.items) combine(answer, itemAnswer(item));
  for (const std::wstring& name : targets.commands)
    if (auto found = live_.commands.find(name); found != live_.commands.end())
      combine(answer, answerOf(found->second));
  for (const std::wstring& frame : targets.rawFrames)
    if (auto found = live_.rawFrames.find(frame); found != live_.rawFrames.end())
      combine(answer, answerOf(found->second));
  return answer;
}

std::vector<std::pair<SimulatedEcu::ItemKey, SimulatedEcu::Value>> SimulatedEcu::read(
    const std::vector<ItemKey>& items, Millis now) {
  std::vector<std::pair<ItemKey, Value>> values;
  for (const ItemKey& item : items)
    if (std::optional<Value> value = valueOf(item, now)) values.emplace_back(item, *value);
  return values;
}

std::vector<std::pair<std::wstring, int>> SimulatedEcu::runCommands(
    const std::vector<std::wstring>& names, Millis now) {
  advance(now);
  std::vector<std::pair<std::wstring, int>> statuses;
  for (const std::wstring& name : names) {
    auto found = live_.commands.find(name);
    if (found == live_.commands.end()) continue;
    statuses.emplace_back(name, found->second.status);
    for (const Assignment& assignment : found->second.assignments) assign(assignment);
    for (const auto& [item, behaviour] : live_.behaviours)
      if (behaviour.startedBy == name) running_[item] = now;
  }
  return statuses;
}

std::vector<std::pair<std::wstring, std::string>> SimulatedEcu::rawFrames(
    const std::vector<std::wstring>& frames) const {
  std::vector<std::pair<std::wstring, std::string>> responses;
  for (const std::wstring& frame : frames)
    if (auto found = live_.rawFrames.find(frame); found != live_.rawFrames.end())
      responses.emplace_back(frame, found->second.responseHex);
  return responses;
}

std::optional<SimulatedEcu::Value> SimulatedEcu::valueOf(const ItemKey& item, Millis now) {
  advance(now);
  if (auto since = running_.find(item); since != running_.end())
    return live_.behaviours.at(item).valueAt(now - since->second);
  return stored(item);
}

void SimulatedEcu::setValue(const ItemKey& item, const Value& value, Millis now) {
  advance(now);
  assign(Assignment{item.first, item.second, value});
  setByHand_.insert(item);
}

bool SimulatedEcu::isMoving(const ItemKey& item, Millis now) {
  advance(now);
  return running_.count(item) != 0;
}

bool SimulatedEcu::startBehaviour(const ItemKey& item, Millis now) {
  advance(now);
  if (live_.behaviours.count(item) == 0) return false;
  running_[item] = now;
  setByHand_.insert(item);
  return true;
}

// The item keeps the value it had when stopped.
void SimulatedEcu::stopBehaviour(const ItemKey& item, Millis now) {
  if (std::optional<Value> value = valueOf(item, now)) store(item, *value);
  running_.erase(item);
  setByHand_.insert(item);
}

void SimulatedEcu::setEcuAnswer(const Answer& answer) {
  setAnswerOf(live_, answer);
}

SimulatedEcu::Answer SimulatedEcu::ecuAnswer() const {
  return answerOf(live_);
}

void SimulatedEcu::setItemAnswer(const ItemKey& item, const Answer& answer) {
  live_.items[item] = answer;
}

SimulatedEcu::Answer SimulatedEcu::itemAnswer(const ItemKey& item) const {
  auto found = live_.items.find(item);
  return found == live_.items.end() ? Answer{} : found->second;
}

bool SimulatedEcu::setCommandAnswer(const std::wstring& name, const Answer& answer) {
  return changeListed(live_.commands, name,
                      [&](Command& command) { setAnswerOf(command, answer); });
}

bool SimulatedEcu::setCommandStatus(const std::wstring& name, int status) {
  return changeListed(live_.commands, name, [&](Command& command) { command.status = status; });
}

bool SimulatedEcu::setRawFrameAnswer(const std::wstring& request, const Answer& answer) {
  return changeListed(live_.rawFrames, request,
                      [&](RawFrame& frame) { setAnswerOf(frame, answer); });
}

bool SimulatedEcu::setRawFrameResponse(const std::wstring& request,
                                       const std::string& responseHex) {
  return changeListed(live_.rawFrames, request,
                      [&](RawFrame& frame) { frame.responseHex = responseHex; });
}

bool SimulatedEcu::itemChanged(const ItemKey& item) const {
  auto described = described_.items.find(item);
  const Answer file = described == described_.items.end() ? Answer{} : described->second;
  return setByHand_.count(item) != 0 || !same(itemAnswer(item), file);
}

bool SimulatedEcu::commandChanged(const std::wstring& name) const {
  return differsFromFile(live_.commands, described_.commands, name, &Command::status);
}

bool SimulatedEcu::rawFrameChanged(const std::wstring& request) const {
  return differsFromFile(live_.rawFrames, described_.rawFrames, request, &RawFrame::responseHex);
}

bool SimulatedEcu::ecuAnswerChanged() const {
  return !same(answerOf(live_), answerOf(described_));
}

// The item as a reset leaves it: its file value and answer, its behaviour as at a load.
void SimulatedEcu::resetItem(const ItemKey& item, Millis now) {
  advance(now);
  running_.erase(item);
  setByHand_.erase(item);
  restore(live_.items, described_.items, item);
  restore(live_.behaviours, described_.behaviours, item);
  switch (item.first) {
    case Kind::State:
      restore(live_.states, described_.states, item.second);
      break;
    case Kind::Parameter:
      restore(live_.parameters, described_.parameters, item.second);
      break;
    case Kind::Identification:
      restore(live_.identifications, described_.identifications, item.second);
      break;
  }
  if (auto behaviour = live_.behaviours.find(item);
      behaviour != live_.behaviours.end() && behaviour->second.startedBy.empty())
    running_[item] = now;
}

bool SimulatedEcu::resetCommand(const std::wstring& name) {
  if (described_.commands.count(name) == 0) return false;
  restore(live_.commands, described_.commands, name);
  return true;
}

bool SimulatedEcu::resetRawFrame(const std::wstring& request) {
  if (described_.rawFrames.count(request) == 0) return false;
  restore(live_.rawFrames, described_.rawFrames, request);
  return true;
}

void SimulatedEcu::resetEcuAnswer() {
  setAnswerOf(live_, answerOf(described_));
}

// Ends are taken one at a time, earliest first: a <set> at one end may stop a
// behaviour that would have ended later.
void SimulatedEcu::advance(Millis now) {
  for (;;) {
    const ItemKey* first = nullptr;
    Millis firstEnd = 0;
    for (const auto& [item, since] : running_) {
      const std::optional<Millis> length = live_.behaviours.at(item).length();
      if (!length || since + *length > now) continue;
      if (first == nullptr || since + *length < firstEnd) {
        first = &item;
        firstEnd = since + *length;
      }
    }
    if (first == nullptr) return;
    const ItemKey item = *first;
    const SimulationBehaviour& behaviour = live_.behaviours.at(item);
    running_.erase(item);
    store(item, behaviour.valueAt(*behaviour.length()));
    for (const Assignment& assignment : behaviour.atEnd) assign(assignment);
  }
}

void SimulatedEcu::assign(const Assignment& assignment) {
  const ItemKey item{assignment.kind, assignment.item};
  running_.erase(item);
  store(item, assignment.value);
}

void SimulatedEcu::store(const ItemKey& item, const Value& value) {
  switch (item.first) {
    case Kind::State:
      if (const long* number = std::get_if<long>(&value)) live_.states[item.second] = *number;
      break;
    case Kind::Parameter:
      if (const double* number = std::get_if<double>(&value))
        live_.parameters[item.second] = *number;
      break;
    case Kind::Identification:
      if (const std::wstring* text = std::get_if<std::wstring>(&value))
        live_.identifications[item.second] = *text;
      break;
  }
}

std::optional<SimulatedEcu::Value> SimulatedEcu::stored(const ItemKey& item) const {
  return valueIn(live_, item);
}

std::optional<SimulatedEcu::Value> SimulatedEcu::fileValue(const ItemKey& item) const {
  return valueIn(described_, item);
}

std::optional<SimulatedEcu::Value> SimulatedEcu::valueIn(const Description& from,
                                                         const ItemKey& item) {
  switch (item.first) {
    case Kind::State:
      if (auto v = from.states.find(item.second); v != from.states.end()) return v->second;
      break;
    case Kind::Parameter:
      if (auto v = from.parameters.find(item.second); v != from.parameters.end()) return v->second;
      break;
    case Kind::Identification:
      if (auto v = from.identifications.find(item.second); v != from.identifications.end())
        return v->second;
      break;
  }
  return std::nullopt;
}
