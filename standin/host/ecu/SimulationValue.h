#pragma once

#include <string>
#include <utility>
#include <variant>

#include "StandinDiagData.h"

// Values of simulated items: an integer for a state, a real for a parameter,
// a text for an identification.
namespace simulation {

using Kind = StandinDiagData::Kind;
using Value = std::variant<long, double, std::wstring>;
using ItemKey = std::pair<Kind, std::wstring>;

// A <set>: the item and the value it takes.
struct Assignment {
  Kind kind = Kind::State;
  std::wstring item;
  Value value;
};

}  // namespace simulation
