#pragma once

#include <map>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "BSet.h"
#include "StandinDiagData.h"
#include "StandinDiagServices.h"

// Everything one data file says, read in full before any service changes.
struct HostContent {
  struct DataItem {
    std::wstring key;
    std::variant<int, bool, std::wstring, BSet> value;
  };
  std::string defaultEcu;
  std::vector<DataItem> data;
  std::vector<std::pair<std::wstring, std::wstring>> texts;
  std::map<std::string, std::vector<StandinDiagData::Description>> descriptions;
  std::map<std::string, StandinDiagServices::Simulation> simulations;
};
