// Display forms of state and parameter values.
// Guards against: decimals read as octal or past the cap, a wrapped count, a
// state's text matched on part of its value or taken from a later entry.
#include <gtest/gtest.h>

#include <cfloat>
#include <set>

#include "StandinDiagData.h"
#include "StandinTextService.h"
#include "communication/CommunicationHandler.h"
#include "communication_test_support.h"
#include "platform/Limits.h"

using comm_test::FactoryComponents;
using Description = StandinDiagData::Description;
using Kind = StandinDiagData::Kind;
using Table = std::optional<std::vector<StandinDiagData::Correspondance>>;

namespace {

Description parameter(std::string format) {
  return {Kind::Parameter, format, {}, format, {}};
}

Description state(const char* name, Table interpretation) {
  return {Kind::State, name, {}, {}, std::move(interpretation)};
}

// Parameters are named after their format text; "None" has no format.
TEST(Formatting, ParametersByTheFormatsLeadingDigitsWithinTheDecimalsCap) {
  const int cap = limits::kMaxFormatDecimals;
  const std::string atCap = std::to_string(cap);
  const std::string pastCap = std::to_string(cap + 1);
  const struct {
    std::string format;
    double value;
    const char* start;  // the whole text when length is 0
    int length = 0;
  } rows[] = {
      {"2", 12.345, "12.35"},  // printf rounds the binary value, just above .345
      {"None", 2.5, "2"},      // round half to even, as printf does
      {"Unknown", 12.345, "12"},
      {"3abc", 1.5, "1.500"},
      {"-1", 1.25, "1.250000"},      // printf takes a negative precision as absent
      {"010", 0.5, "0.5000000000"},  // decimal, never octal or hexadecimal
      // At the cap a double's expansion is exact; past it nothing more is shown.
      {atCap, 0.1, "0.1000000000000000055511151231257827", 2 + cap},
      {pastCap, 0.1, "0.1000000000000000055511151231257827", 2 + cap},
      {atCap, -DBL_MAX, "-17976931348623157", 1 + 309 + 1 + cap},
      {"2147483648", 0.5, "0.5000", 2 + cap},  // beyond int: the cap, not a wrapped count
      {"-2147483649", 0.5, "0.500000"},
  };
  std::vector<Description> items{Description{Kind::Parameter, "None", {}, {}, {}}};
  std::set<std::string> formats;
  for (const auto& row : rows)
    if (row.format != "None" && row.format != "Unknown" && formats.insert(row.format).second)
      items.push_back(parameter(row.format));
  StandinDiagData diagData;
  diagData.setDescriptions({{"ABC", items}});
  FactoryComponents factory;
  factory.setDiagData(&diagData);
  CommunicationHandler handler;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.format);
    const std::string text =
        handler.getFormatedParam("ABC", QString::fromStdString(row.format), row.value)
            .toStdString();
    if (row.length == 0) {
      EXPECT_EQ(text, row.start);
      continue;
    }
    EXPECT_EQ(text.rfind(row.start, 0), 0u) << text.substr(0, 40);
    EXPECT_EQ(static_cast<int>(text.size()), row.length);
    EXPECT_EQ(text.back(), '0');
  }
  factory.setDiagData(nullptr);
  EXPECT_EQ(handler.getFormatedParam("ABC", "2", 12.345), "12");
}

TEST(Formatting, StatesByTheFirstEntryMatchingTheWholeValue) {
  StandinDiagData diagData;
  diagData.setDescriptions(
      {{"ABC",
        {state("Pump", Table({{"0", "T_OFF", "Off"}, {"1", "T_ON", "On"}, {"1", "T_AGAIN", "?"}})),
         state("Plain", std::nullopt), state("EmptyTable", Table({}))}}});
  StandinTextService texts;
  texts.setText(ACE_WString(L"T_ON", 4), ACE_WString(L"An", 2));
  const struct {
    const char* name;
    const char* value;
    bool withTextService;
    const char* expected;
  } rows[] = {
      {"Pump", "1", true, "An"}, {"Pump", "1", false, "On"},     {"Pump", "01", true, "01"},
      {"Plain", "1", true, "1"}, {"EmptyTable", "1", true, "1"},
  };
  FactoryComponents factory;
  factory.setDiagData(&diagData);
  CommunicationHandler handler;
  for (const auto& row : rows) {
    factory.setTextService(row.withTextService ? &texts : nullptr);
    EXPECT_EQ(handler.getFormatedState("ABC", row.name, row.value).toStdString(), row.expected)
        << row.name << "=" << row.value;
  }
  factory.setDiagData(nullptr);
  EXPECT_EQ(handler.getFormatedState("ABC", "Pump", "1"), "1");
}

}  // namespace
