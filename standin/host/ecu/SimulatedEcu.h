#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "HostApi.h"
#include "SimulationBehaviour.h"
#include "SimulationClock.h"
#include "SimulationValue.h"

// One simulated ECU as it is now: the data file's description, the values
// that commands, behaviours and the author changed since, and how each query
// is answered. Time comes in as an argument, so that tests drive it by hand.
// Not thread-safe: StandinDiagServices guards it.
class HOST_API SimulatedEcu {
 public:
  using Millis = SimulationClock::Millis;
  using Kind = simulation::Kind;
  using Value = simulation::Value;
  using ItemKey = simulation::ItemKey;
  using Assignment = simulation::Assignment;

  // How a query is answered: normally, refused with a status, or not at all
  // (it waits, then times out); either after a delay.
  struct Answer {
    std::optional<int> refuse;
    bool noAnswer = false;
    Millis delayMs = 0;
  };

  struct Command {
    int status = 0;
    std::optional<int> refuse;
    std::vector<Assignment> assignments;
    bool noAnswer = false;
    Millis delayMs = 0;
  };

  struct RawFrame {
    std::string responseHex;  // validated: an even number of hexadecimal digits
    std::optional<int> refuse;
    bool noAnswer = false;
    Millis delayMs = 0;
  };

  // Everything the data file says about one ECU's behaviour.
  struct Description {
    // The whole ECU.
    std::optional<int> refuse;
    bool noAnswer = false;
    Millis delayMs = 0;
    // Only items listed with a value (or given one later).
    std::map<std::wstring, long> states;
    std::map<std::wstring, double> parameters;
    std::map<std::wstring, std::wstring> identifications;
    std::map<std::wstring, Command> commands;
    std::map<std::wstring, RawFrame> rawFrames;
    // How reads of an item are answered; items not listed answer at once.
    std::map<ItemKey, Answer> items;
    std::map<ItemKey, SimulationBehaviour> behaviours;
  };

  // What a query names, in the query's order.
  struct Targets {
    std::vector<ItemKey> items;
    std::vector<std::wstring> commands;
    std::vector<std::wstring> rawFrames;
  };

  SimulatedEcu();
  SimulatedEcu(Description description, Millis now);

  // Back to the description: its values and answers, behaviours that need no
  // command started at now.
  void reset(Millis now);
  const Description& live() const { return live_; }
  // As the data file describes it.
  const Description& described() const { return described_; }

  // The ECU's answer comes first, then each target's in order; the delay is
  // the longest of them.
  Answer answerFor(const Targets& targets) const;

  // A read: the value of each target item that has one.
  std::vector<std::pair<ItemKey, Value>> read(const std::vector<ItemKey>& items, Millis now);
  // Each listed command stores its status, applies its <set>s and starts its
  // behaviours; the status of each, in order.
  std::vector<std::pair<std::wstring, int>> runCommands(const std::vector<std::wstring>& names,
                                                        Millis now);
  // The listed raw frames' responses.
  std::vector<std::pair<std::wstring, std::string>> rawFrames(
      const std::vector<std::wstring>& frames) const;

  // The author's changes. A value set by hand stops the item's behaviour.
  std::optional<Value> valueOf(const ItemKey& item, Millis now);
  // The value the data file gives the item, if any.
  std::optional<Value> fileValue(const ItemKey& item) const;
  void setValue(const ItemKey& item, const Value& value, Millis now);
  bool isMoving(const ItemKey& item, Millis now);
  // false when the item has no behaviour.
  bool startBehaviour(const ItemKey& item, Millis now);
  void stopBehaviour(const ItemKey& item, Millis now);
  // The answer settings of the ECU, an item, a command or a raw frame; false
  // when the command or frame is not listed.
  void setEcuAnswer(const Answer& answer);
  Answer ecuAnswer() const;
  void setItemAnswer(const ItemKey& item, const Answer& answer);
  Answer itemAnswer(const ItemKey& item) const;
  bool setCommandAnswer(const std::wstring& name, const Answer& answer);
  bool setCommandStatus(const std::wstring& name, int status);
  bool setRawFrameAnswer(const std::wstring& request, const Answer& answer);
  bool setRawFrameResponse(const std::wstring& request, const std::string& responseHex);

  // Whether the author changed it since the load or the last reset: an item's value or
  // behaviour set by hand, or any answer, status or response that differs from the file's.
  bool itemChanged(const ItemKey& item) const;
  bool commandChanged(const std::wstring& name) const;
  bool rawFrameChanged(const std::wstring& request) const;
  bool ecuAnswerChanged() const;
  // One item, command or frame, or the ECU's answer, back to the file's; false when unknown.
  void resetItem(const ItemKey& item, Millis now);
  bool resetCommand(const std::wstring& name);
  bool resetRawFrame(const std::wstring& request);
  void resetEcuAnswer();

  // Brings behaviours up to now: one that has ended leaves its last value and
  // applies its <set>s, in the order they ended.
  void advance(Millis now);

 private:
  void assign(const Assignment& assignment);
  void store(const ItemKey& item, const Value& value);
  std::optional<Value> stored(const ItemKey& item) const;
  static std::optional<Value> valueIn(const Description& from, const ItemKey& item);

  Description described_;
  Description live_;
  // Items whose behaviour runs, and since when.
  std::map<ItemKey, Millis> running_;
  // Items whose value or behaviour the author set.
  std::set<ItemKey> setByHand_;
};
