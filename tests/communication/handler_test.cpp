// Parameter checks and status words of the diagnostic commands.
#include <gtest/gtest.h>

#include "CommunicationTestSupport.h"
#include "communication/CommunicationHandler.h"
#include "dispatch/ResponseConstants.h"

using comm_test::FactoryComponents;

namespace {

struct StatusRow {
  int status;
  const char* word;
};

TEST(StatusWords, EachDiagnosticStatusHasItsWord) {
  const StatusRow rows[] = {
      {-992, "TIMEOUT"},     {-979, "INVALID QUERY"},   {-13, "INVALID QUERY"},
      {-9, "INVALID QUERY"}, {-14, "VCI DISCONNECTED"}, {-999, "UNKNOWN"},
      {-1, "UNKNOWN"},       {-993, "UNKNOWN"},         {7, "UNKNOWN"},
  };
  for (const StatusRow& row : rows)
    EXPECT_EQ(CommunicationHandler::getErrResponseForNegStatus(row.status).toStdString(), row.word)
        << row.status;
}

TEST(StatusWords, SuccessHasNoWordAndIsReportedAsMisuse) {
  comm_test::HandlerLog log(MakoraLog_Static::Warning);
  EXPECT_EQ(CommunicationHandler::getErrResponseForNegStatus(0), "");
  const std::vector<LogRecord> records = log.take();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].level, MakoraLog_Static::Warning);
  EXPECT_EQ(records[0].message,
            "[getErrResponseForNegStatus] method should be used for negative DiagServices "
            "responses.");
}

struct CheckRow {
  const char* command;
  QMap<QString, QString> parameters;
  bool accepted;
};

TEST(CheckParameters, ListsMustPairUpAndQueriesMustBeNamed) {
  const CheckRow rows[] = {
      {"readSignal", {{"names", "A;B"}, {"types", "State;Parameter"}}, true},
      {"readSignal", {{"names", "A;B"}, {"types", "State"}}, false},
      {"readSignal", {{"names", "A;;B;"}, {"types", ";State;;Parameter"}}, true},
      {"readSignal", {{"names", ";"}, {"types", ";"}}, true},
      {"readSignal", {{"names", "A"}}, false},
      {"readSignal", {{"names", "A"}, {"types", ""}}, false},
      {"isApplicable", {{"names", "A"}, {"types", "Foo"}}, true},
      {"isApplicable", {{"types", "State"}}, false},
      {"isApplicable", {{"names", "A;B;C"}, {"types", "State;State"}}, false},
      {"sendQuery", {{"query", "Bleed"}}, true},
      {"sendQuery", {{"query", "Bleed"}, {"param", ""}}, true},
      {"sendQuery", {{"query", ""}, {"param", "5"}}, false},
      {"sendQuery", {{"param", "5"}}, false},
      {"sendRawQuery", {{"query", "22F190"}}, true},
      {"sendRawQuery", {{"query", " "}}, true},
      {"sendRawQuery", {}, false},
      {"retrieveInitialValue", {{"names", "A"}, {"types", "State"}, {"query", "x"}}, false},
      {"ReadSignal", {{"names", "A"}, {"types", "State"}}, false},
  };
  for (const CheckRow& row : rows) {
    CommunicationHandler handler;
    handler.command = row.command;
    handler.setParameters(row.parameters);
    QStringList given;
    for (auto it = row.parameters.begin(); it != row.parameters.end(); ++it)
      given << it.key() + "=" + it.value();
    EXPECT_EQ(handler.checkParameters(), row.accepted)
        << row.command << " " << given.join("&").toStdString();
  }
}

struct MissingRow {
  const char* command;
  QMap<QString, QString> parameters;
  bool withDiagServices;
  const char* body;
};

TEST(ProcessRequest, MissingHostComponentsAnswerUnknown) {
  const MissingRow rows[] = {
      {"readSignal", {{"names", "A"}, {"types", "State"}}, false, "UNKNOWN"},
      {"readSignal", {{"names", "A"}, {"types", "State"}}, true, "UNKNOWN"},
      {"isApplicable", {{"names", "A"}, {"types", "State"}}, true, "UNKNOWN"},
      {"sendQuery", {{"query", "Bleed"}}, true, "UNKNOWN"},
      {"sendQuery", {{"query", "Bleed"}}, false, "UNKNOWN"},
      {"sendRawQuery", {{"query", "22F190"}}, true, "UNKNOWN"},
  };
  FactoryComponents factory;
  comm_test::RecordingDiagServices services;
  for (const MissingRow& row : rows) {
    factory->diagServices = row.withDiagServices ? &services : nullptr;
    CommunicationHandler handler;
    handler.command = row.command;
    handler.setParameters(row.parameters);
    QByteArray out;
    ASSERT_TRUE(handler.processRequest(out)) << row.command;
    EXPECT_EQ(out.toStdString(), std::string(HTTP_200_HTML_HEADER) + row.body)
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
