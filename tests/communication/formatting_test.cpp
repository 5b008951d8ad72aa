// Display forms of state and parameter values.
#include <gtest/gtest.h>

#include "CommunicationTestSupport.h"
#include "StandinDiagData.h"
#include "communication/CommunicationHandler.h"

using comm_test::FactoryComponents;
using comm_test::MapTextService;
using Description = StandinDiagData::Description;
using Kind = StandinDiagData::Kind;

namespace {

Description parameter(const char* name, std::optional<std::string> format) {
  Description d;
  d.kind = Kind::Parameter;
  d.name = name;
  d.format = std::move(format);
  return d;
}

Description state(const char* name,
                  std::optional<std::vector<StandinDiagData::Correspondance>> interpretation) {
  Description d;
  d.kind = Kind::State;
  d.name = name;
  d.interpretation = std::move(interpretation);
  return d;
}

struct ParamRow {
  const char* name;
  double value;
  const char* expected;
};

TEST(Formatting, ParameterUsesTheFormatsLeadingDigitsAsDecimals) {
  StandinDiagData diagData;
  diagData.setDescriptions(
      {{"ABC",
        {parameter("Two", "2"), parameter("None", std::nullopt), parameter("Suffix", "3abc"),
         parameter("Word", "x"), parameter("Empty", ""), parameter("Blank", " 4"),
         parameter("Zero", "0"), parameter("Negative", "-1"), parameter("Huge", "99999999999")}}});
  const ParamRow rows[] = {
      {"Two", 12.345, "12.35"},  // printf rounds the binary value, just above .345
      {"Two", -0.004, "-0.00"},
      {"None", 12.345, "12"},
      {"None", 2.5, "2"},  // round half to even, as printf does
      {"Suffix", 1.5, "1.500"},
      {"Word", 7.9, "8"},
      {"Empty", 7.9, "8"},
      {"Blank", 1.0, "1.0000"},
      {"Zero", 3.5, "4"},
      {"Negative", 1.25, "1.250000"},  // printf takes a negative precision as absent
      {"Unknown", 12.345, "12"},
  };
  FactoryComponents factory;
  factory->diagData = &diagData;
  CommunicationHandler handler;
  for (const ParamRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(handler.getFormatedParam("ABC", row.name, row.value).toStdString(), row.expected);
  }
  // An absurd format is bounded: the exact expansion, then zeros up to the cap.
  const QString huge = handler.getFormatedParam("ABC", "Huge", 0.1);
  EXPECT_TRUE(huge.startsWith("0.1000000000000000055511151231257827"));
  EXPECT_LT(huge.size(), 2000);

  factory->diagData = nullptr;
  EXPECT_EQ(handler.getFormatedParam("ABC", "Two", 12.345), "12");
}

struct StateRow {
  const char* name;
  const char* value;
  bool withTextService;
  const char* expected;
};

TEST(Formatting, StateShowsTheFirstMatchingCorrespondanceText) {
  StandinDiagData diagData;
  diagData.setDescriptions(
      {{"ABC",
        {state("Pump", std::vector<StandinDiagData::Correspondance>{{"0", "T_OFF", "Off"},
                                                                    {"1", "T_ON", "On"},
                                                                    {"1", "T_AGAIN", "Again"},
                                                                    {"2", "T_NONE", "Two"}}),
         state("Plain", std::nullopt),
         state("EmptyTable", std::vector<StandinDiagData::Correspondance>{})}}});
  MapTextService texts;
  texts.texts = {{"T_OFF", "Aus"}, {"T_ON", "An"}};
  const StateRow rows[] = {
      {"Pump", "0", true, "Aus"},  {"Pump", "1", true, "An"},
      {"Pump", "2", true, "Two"},  // no text for the code: the default text
      {"Pump", "3", true, "3"},    // no match: the raw value
      {"Pump", "01", true, "01"},  // values compare as text
      {"Pump", "0", false, "Off"}, {"Pump", "1", false, "On"},
      {"Plain", "1", true, "1"},   {"EmptyTable", "1", true, "1"},
      {"Unknown", "0", true, "0"},
  };
  FactoryComponents factory;
  factory->diagData = &diagData;
  CommunicationHandler handler;
  for (const StateRow& row : rows) {
    SCOPED_TRACE(std::string(row.name) + "=" + row.value);
    factory->textService = row.withTextService ? &texts : nullptr;
    EXPECT_EQ(handler.getFormatedState("ABC", row.name, row.value).toStdString(), row.expected);
  }
  factory->diagData = nullptr;
  EXPECT_EQ(handler.getFormatedState("ABC", "Pump", "0"), "0");
}

}  // namespace
