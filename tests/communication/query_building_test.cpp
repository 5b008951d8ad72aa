// The query documents the diagnostic commands hand to the diagnostic services.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QRegularExpression>

#include "communication/CommunicationHandler.h"
#include "communication_test_support.h"

using comm_test::FactoryComponents;
using comm_test::RecordingDiagServices;

namespace {

QString queryShape(const QString& name, const QString& id, const QString& type,
                   const QString& dataSet) {
  return "Query(name=" + name + ",queryId=" + id + ",sleepTimer=0,requestType=" + type +
         ",refresh=once,synchronous=true)[" + dataSet + "]";
}

class QueryBuilding : public ::testing::Test {
 protected:
  QueryBuilding() { factory.setDiagServices(&services); }
  FactoryComponents factory;
  RecordingDiagServices services;
  CommunicationHandler handler;
};

TEST_F(QueryBuilding, CommandQueryNamesTheCommandIdAndCarriesOneInput) {
  const struct {
    const char* command;
    const char* param;
    const char* name;
    const char* id;
    const char* dataSet;
  } rows[] = {
      {"Bleed", "", "CMD2", "ABC/BleedCMD2/", "EcuDataSet(name=ABC)[Command(name=Bleed)]"},
      // "0" is an input like any other.
      {"Bleed", "0", "CMD1", "ABC/BleedCMD1/0",
       "EcuDataSet(name=ABC)[Command(name=Bleed)[InputList[InputData(value=0)]]]"},
  };
  services.status = -13;  // refused: nothing is read back
  for (const auto& row : rows) {
    SCOPED_TRACE(row.id);
    EXPECT_EQ(handler.sendQuery("ABC", row.command, row.param), -13);
    ASSERT_FALSE(services.queries.empty());
    EXPECT_EQ(services.queries.back(), queryShape(row.name, row.id, "command", row.dataSet));
  }
}

TEST_F(QueryBuilding, SignalReadListsKnownKindsInOrderAndNamesEveryItem) {
  const struct {
    QStringList names;
    QStringList types;
    const char* expectedId;
    const char* expectedDataSet;
  } rows[] = {
      {{"A", "Foo", "P", "I"},
       {"State", "Other", "Parameter", "Identification"},
       "ABC/AFooPI",
       "EcuDataSet(name=ABC)[State(name=A),Parameter(name=P),Identification(name=I)]"},
      // Kind words are exact; an all-unknown list still makes a query.
      {{"X", "Y"}, {"state", "Param"}, "ABC/XY", "EcuDataSet(name=ABC)"},
  };
  services.status = -992;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.expectedId);
    EXPECT_EQ(handler.readSignal("ABC", row.names, row.types), "TIMEOUT");
    ASSERT_FALSE(services.queries.empty());
    EXPECT_EQ(services.queries.back(),
              queryShape("EP", row.expectedId, "read", row.expectedDataSet));
  }
}

TEST_F(QueryBuilding, RawFrameIsCopiedUnchangedUnderAMillisecondStamp) {
  services.status = -14;
  const QDateTime before = QDateTime::currentDateTime();
  for (const char* frame : {"22 F1 90", "<a&\"b'>;%41"}) {
    SCOPED_TRACE(frame);
    EXPECT_EQ(handler.sendRawQuery("ABC", frame), "VCI DISCONNECTED");
    ASSERT_FALSE(services.queries.empty());
    QString query = services.queries.back();
    const QRegularExpressionMatch stamp =
        QRegularExpression("queryId=ABC/RF(\\d{17}),").match(query);
    ASSERT_TRUE(stamp.hasMatch()) << query.toStdString();
    // A 12-hour or otherwise misread stamp lies outside the time of sending.
    const QDateTime sent = QDateTime::fromString(stamp.captured(1), "yyyyMMddhhmmsszzz");
    EXPECT_TRUE(before <= sent && sent <= QDateTime::currentDateTime()) << query.toStdString();
    query.replace(stamp.capturedStart(1), 17, "STAMP");
    EXPECT_EQ(query, queryShape("ABC", "ABC/RFSTAMP", "rawframe",
                                QString("EcuDataSet(name=ABC)[Service(delay=0,mode=1)[Start["
                                        "Request(val=%1),Response[Simple(val=)]]]]")
                                    .arg(frame)));
  }
}

}  // namespace
