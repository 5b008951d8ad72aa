// Status words, and what the diagnostic commands answer without their host parts.
#include <gtest/gtest.h>

#include "CommunicationTestSupport.h"
#include "communication/CommunicationHandler.h"
#include "dispatch/ResponseConstants.h"

using comm_test::FactoryComponents;
using Params = QMap<QString, QString>;

namespace {

TEST(StatusWords, EachDiagnosticStatusHasItsWord) {
  const std::pair<int, const char*> rows[] = {
      {-992, "TIMEOUT"},     {-979, "INVALID QUERY"},   {-13, "INVALID QUERY"},
      {-9, "INVALID QUERY"}, {-14, "VCI DISCONNECTED"}, {-999, "UNKNOWN"},
      {-1, "UNKNOWN"},       {-993, "UNKNOWN"},         {7, "UNKNOWN"},
  };
  for (const auto& [status, word] : rows)
    EXPECT_EQ(CommunicationHandler::getErrResponseForNegStatus(status).toStdString(), word)
        << status;
  EXPECT_EQ(CommunicationHandler::getErrResponseForNegStatus(0), "");
}

TEST(ProcessRequest, MissingHostComponentsAnswerUnknown) {
  const struct {
    const char* command;
    Params parameters;
    bool withDiagServices;
  } rows[] = {
      {"readSignal", {{"names", "A"}, {"types", "State"}}, false},
      {"isApplicable", {{"names", "A"}, {"types", "State"}}, true},
      {"sendQuery", {{"query", "Bleed"}}, true},
      {"sendRawQuery", {{"query", "22F190"}}, true},
  };
  FactoryComponents factory;
  comm_test::RecordingDiagServices services;
  for (const auto& row : rows) {
    factory.setDiagServices(row.withDiagServices ? &services : nullptr);
    CommunicationHandler handler;
    handler.command = row.command;
    handler.setParameters(row.parameters);
    QByteArray out;
    ASSERT_TRUE(handler.processRequest(out)) << row.command;
    EXPECT_EQ(out.toStdString(), std::string(HTTP_200_HTML_HEADER) + "UNKNOWN")
        << row.command << (row.withDiagServices ? " with" : " without") << " diagnostic services";
  }
}

TEST(ProcessRequest, OtherWordsWriteNothing) {
  FactoryComponents factory;
  for (const char* word : {"retrieveInitialValue", "FT", ""}) {
    CommunicationHandler handler;
    handler.command = word;
    handler.setParameters({{"query", "x"}});
    QByteArray out("untouched");
    EXPECT_FALSE(handler.processRequest(out)) << word;
    EXPECT_EQ(out, "untouched");
  }
}

}  // namespace
