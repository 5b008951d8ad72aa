// The query documents the diagnostic commands hand to the diagnostic services.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QRegularExpression>

#include "CommunicationTestSupport.h"
#include "communication/CommunicationHandler.h"

using comm_test::FactoryComponents;
using comm_test::RecordingDiagServices;
using comm_test::shape;

namespace {

const QString kQueryAttributes = "sleepTimer=0,requestType=%1,refresh=once,synchronous=true";

QString queryShape(const QString& name, const QString& id, const QString& type,
                   const QString& dataSet) {
  return "Query(name=" + name + ",queryId=" + id + "," + kQueryAttributes.arg(type) + ")[" +
         dataSet + "]";
}

struct CommandRow {
  const char* command;
  const char* param;
  const char* expected;  // the whole query
};

TEST(QueryBuilding, CommandQueryNamesTheCommandIdAndCarriesOneInput) {
  const CommandRow rows[] = {
      {"Bleed", "",
       "Query(name=CMD2,queryId=ABC/BleedCMD2/,sleepTimer=0,requestType=command,refresh=once,"
       "synchronous=true)[EcuDataSet(name=ABC)[Command(name=Bleed)]]"},
      {"Bleed", "5",
       "Query(name=CMD1,queryId=ABC/BleedCMD1/5,sleepTimer=0,requestType=command,refresh=once,"
       "synchronous=true)[EcuDataSet(name=ABC)[Command(name=Bleed)[InputList[InputData(value=5)"
       "]]]]"},
      // "0" is an input like any other, and a list-looking input stays one value.
      {"Bleed", "0",
       "Query(name=CMD1,queryId=ABC/BleedCMD1/0,sleepTimer=0,requestType=command,refresh=once,"
       "synchronous=true)[EcuDataSet(name=ABC)[Command(name=Bleed)[InputList[InputData(value=0)"
       "]]]]"},
      {"Run", "1;2 3",
       "Query(name=CMD1,queryId=ABC/RunCMD1/1;2 3,sleepTimer=0,requestType=command,"
       "refresh=once,synchronous=true)[EcuDataSet(name=ABC)[Command(name=Run)[InputList["
       "InputData(value=1;2 3)]]]]"},
  };
  FactoryComponents factory;
  RecordingDiagServices services;
  services.status = -13;  // refused: nothing is read back
  factory->diagServices = &services;
  CommunicationHandler handler;
  for (const CommandRow& row : rows) {
    SCOPED_TRACE(std::string(row.command) + "/" + row.param);
    EXPECT_EQ(handler.sendQuery("ABC", row.command, row.param), -13);
    ASSERT_FALSE(services.queries.empty());
    EXPECT_EQ(services.queries.back().toStdString(), row.expected);
  }
}

struct SignalRow {
  QStringList names;
  QStringList types;
  const char* expectedId;
  const char* expectedDataSet;
};

TEST(QueryBuilding, SignalReadListsKnownKindsInOrderAndNamesEveryItem) {
  const SignalRow rows[] = {
      {{"A", "Foo", "P", "I"},
       {"State", "Other", "Parameter", "Identification"},
       "ABC/AFooPI",
       "EcuDataSet(name=ABC)[State(name=A),Parameter(name=P),Identification(name=I)]"},
      {{"A", "A"},
       {"State", "State"},
       "ABC/AA",
       "EcuDataSet(name=ABC)[State(name=A),State(name=A)]"},
      // Kind words are exact; an all-unknown list still makes a query.
      {{"X", "Y"}, {"state", "Param"}, "ABC/XY", "EcuDataSet(name=ABC)"},
      {{}, {}, "ABC/", "EcuDataSet(name=ABC)"},
  };
  FactoryComponents factory;
  RecordingDiagServices services;
  services.status = -992;
  factory->diagServices = &services;
  CommunicationHandler handler;
  for (const SignalRow& row : rows) {
    SCOPED_TRACE(row.expectedId);
    EXPECT_EQ(handler.readSignal("ABC", row.names, row.types), "TIMEOUT");
    ASSERT_FALSE(services.queries.empty());
    EXPECT_EQ(services.queries.back(),
              queryShape("EP", row.expectedId, "read", row.expectedDataSet));
  }
}

TEST(QueryBuilding, RawFrameIsCopiedUnchangedUnderAMillisecondStamp) {
  FactoryComponents factory;
  RecordingDiagServices services;
  services.status = -14;
  factory->diagServices = &services;
  CommunicationHandler handler;
  const QDateTime before = QDateTime::currentDateTime();
  for (const char* frame : {"22F190", "22 F1 90", "<a&\"b'>;%41"}) {
    SCOPED_TRACE(frame);
    EXPECT_EQ(handler.sendRawQuery("ABC", frame), "VCI DISCONNECTED");
    ASSERT_FALSE(services.queries.empty());
    const QRegularExpressionMatch stamp =
        QRegularExpression("queryId=ABC/RF(\\d{17}),").match(services.queries.back());
    ASSERT_TRUE(stamp.hasMatch()) << services.queries.back().toStdString();
    // A 12-hour or otherwise misread stamp lands far from the time of sending.
    const QDateTime sent = QDateTime::fromString(stamp.captured(1), "yyyyMMddhhmmsszzz");
    ASSERT_TRUE(sent.isValid());
    EXPECT_LT(std::abs(sent.secsTo(before)), 3600);
    QString rest = services.queries.back();
    rest.replace(stamp.capturedStart(1), 17, "STAMP");
    EXPECT_EQ(rest, queryShape("ABC", "ABC/RFSTAMP", "rawframe",
                               QString("EcuDataSet(name=ABC)[Service(delay=0,mode=1)[Start["
                                       "Request(val=%1),Response[Simple(val=)]]]]")
                                   .arg(frame)));
  }
}

TEST(QueryBuilding, DataSetBuildersLogWhatTheyPutIn) {
  comm_test::HandlerLog log(MakoraLog_Static::Information);
  CommunicationHandler::createSignalDataSet("ABC", {"A", "B"}, {"State", "Foo"});
  CommunicationHandler::createQueryDataSet("ABC", "Bleed", "");
  CommunicationHandler::createQueryDataSet("ABC", "Bleed", "5");
  std::vector<std::string> messages;
  for (const LogRecord& record : log.take()) messages.push_back(record.message);
  const std::vector<std::string> expected = {
      "[CommunicationHandler::createSignalDataSet]: Total number of data: 2.",
      "[CommunicationHandler::createSignalDataSet]: Data signal A from type State.",
      "[CommunicationHandler::createSignalDataSet]: Data signal B from type Foo.",
      "[CommunicationHandler::createQueryDataSet]: Command: Bleed.",
      "[CommunicationHandler::createQueryDataSet]: Command: Bleed.",
      "[CommunicationHandler::createQueryDataSet]: Command Parameter: 5.",
  };
  EXPECT_EQ(messages, expected);
}

}  // namespace
