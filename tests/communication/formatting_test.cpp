// Display forms of state and parameter values.
#include <gtest/gtest.h>

#include "CommunicationTestSupport.h"
#include "StandinDiagData.h"
#include "StandinTextService.h"
#include "communication/CommunicationHandler.h"

using comm_test::FactoryComponents;
using Description = StandinDiagData::Description;
using Kind = StandinDiagData::Kind;
using Table = std::optional<std::vector<StandinDiagData::Correspondance>>;

namespace {

Description parameter(const char* name, std::optional<std::string> format) {
  return {Kind::Parameter, name, {}, std::move(format), {}};
}

Description state(const char* name, Table interpretation) {
  return {Kind::State, name, {}, {}, std::move(interpretation)};
}

TEST(Formatting, ParametersByTheFormatsLeadingDigitsStatesByTheFirstMatchingText) {
  StandinDiagData diagData;
  diagData.setDescriptions(
      {{"ABC",
        {parameter("Two", "2"), parameter("None", std::nullopt), parameter("Blank", " 4"),
         parameter("Negative", "-1"), parameter("Huge", "99999999999"),
         state("Pump", Table({{"0", "T_OFF", "Off"}, {"1", "T_ON", "On"}, {"1", "T_AGAIN", "?"}})),
         state("Plain", std::nullopt), state("EmptyTable", Table({}))}}});
  const struct {
    const char* name;
    double value;
    const char* expected;
  } params[] = {
      {"Two", 12.345, "12.35"},  // printf rounds the binary value, just above .345
      {"Two", -0.004, "-0.00"},
      {"None", 2.5, "2"},  // round half to even, as printf does
      {"Blank", 1.0, "1.0000"},
      {"Negative", 1.25, "1.250000"},  // printf takes a negative precision as absent
      {"Unknown", 12.345, "12"},
  };
  StandinTextService texts;
  texts.setText(ACE_WString(L"T_ON", 4), ACE_WString(L"An", 2));
  const struct {
    const char* name;
    const char* value;
    bool withTextService;
    const char* expected;
  } states[] = {
      {"Pump", "1", true, "An"}, {"Pump", "1", false, "On"},     {"Pump", "01", true, "01"},
      {"Plain", "1", true, "1"}, {"EmptyTable", "1", true, "1"}, {"Unknown", "0", true, "0"},
  };
  FactoryComponents factory;
  factory.setDiagData(&diagData);
  CommunicationHandler handler;
  for (const auto& row : params)
    EXPECT_EQ(handler.getFormatedParam("ABC", row.name, row.value).toStdString(), row.expected)
        << row.name;
  // An absurd format is bounded: the exact expansion, then zeros up to the cap.
  const QString huge = handler.getFormatedParam("ABC", "Huge", 0.1);
  EXPECT_TRUE(huge.startsWith("0.1000000000000000055511151231257827"));
  EXPECT_LT(huge.size(), 2000);
  for (const auto& row : states) {
    factory.setTextService(row.withTextService ? &texts : nullptr);
    EXPECT_EQ(handler.getFormatedState("ABC", row.name, row.value).toStdString(), row.expected)
        << row.name << "=" << row.value;
  }

  factory.setDiagData(nullptr);
  EXPECT_EQ(handler.getFormatedParam("ABC", "Two", 12.345), "12");
  EXPECT_EQ(handler.getFormatedState("ABC", "Pump", "1"), "1");
}

}  // namespace
