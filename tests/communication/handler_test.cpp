// Status words, and what the diagnostic commands answer around them.
// Guards against: a status given the wrong word, a missing host component
// answered as a failure or a crash, a foreign word answered.
#include <gtest/gtest.h>

#include <string>

#include "communication/CommunicationHandler.h"
#include "communication_test_support.h"
#include "dispatch/ResponseConstants.h"

using comm_test::FactoryComponents;
using Params = QMap<QString, QString>;

namespace {

// processRequest's whole reply, or "refused" when it writes nothing.
std::string reply(const char* command, const Params& parameters) {
  CommunicationHandler handler;
  handler.setCommand(command);
  handler.setParameters(parameters);
  QByteArray out("untouched");
  if (!handler.processRequest(out)) return out == "untouched" ? "refused" : "refused, wrote";
  return out.toStdString();
}

const std::string kOk =
    "HTTP/1.0 200 Ok\r\nContent-Type: text/html; charset=\"utf-8\"\r\n"
    "Access-Control-Allow-Origin: http://127.0.0.1\r\n\r\n";

TEST(StatusWords, EachDiagnosticStatusAndItsNeighbours) {
  const std::pair<int, const char*> rows[] = {
      {-992, "TIMEOUT"},       {-991, "UNKNOWN"},
      {-979, "INVALID QUERY"}, {-14, "VCI DISCONNECTED"},
      {-13, "INVALID QUERY"},  {-9, "INVALID QUERY"},
      {-8, "UNKNOWN"},         {0, ""},
  };
  for (const auto& [status, word] : rows)
    EXPECT_EQ(CommunicationHandler::getErrResponseForNegStatus(status).toStdString(), word)
        << status;
}

TEST(ProcessRequest, MissingHostComponentsAnswerUnknown) {
  const struct {
    const char* command;
    Params parameters;
    bool withDiagServices;
  } rows[] = {
      {"readSignal", {{"names", "A"}, {"types", "State"}}, false},
      {"isApplicable", {{"names", "A"}, {"types", "State"}}, true},
      {"sendQuery", {{"query", "Bleed"}, {"param", "5"}}, true},
      {"sendRawQuery", {{"query", "22F190"}}, true},
  };
  FactoryComponents factory;
  comm_test::RecordingDiagServices services;
  for (const auto& row : rows) {
    factory.setDiagServices(row.withDiagServices ? &services : nullptr);
    EXPECT_EQ(reply(row.command, row.parameters), kOk + "UNKNOWN")
        << row.command << (row.withDiagServices ? " with" : " without") << " diagnostic services";
  }
}

TEST(ProcessRequest, OtherWordsWriteNothing) {
  FactoryComponents factory;
  for (const char* word : {"retrieveInitialValue", "FT", "readsignal", ""})
    EXPECT_EQ(reply(word, {{"query", "x"}, {"names", "A"}, {"types", "State"}}), "refused") << word;
}

}  // namespace
