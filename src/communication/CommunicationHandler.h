#pragma once

#include <QString>
#include <QStringList>

#include "DREcuDataSet.h"
#include "DRQuery.h"
#include "dispatch/CommandHandlerBase.h"

// "isApplicable", "readSignal", "sendQuery", "sendRawQuery" (and the refused
// "retrieveInitialValue"): the page's access to the ECU.
class CommunicationHandler : public CommandHandlerBase {
 public:
  bool processRequest(QByteArray& out) override;
  bool checkParameters() override;

  static QString getErrResponseForNegStatus(int status);

  QString isApplicable(QString ecu, QStringList names, QStringList types);
  QString readSignal(QString ecu, QStringList names, QStringList types);
  int sendQuery(QString ecu, QString query, QString param);
  QString sendRawQuery(QString ecu, QString query);

  QString signalResponseFromDM(QString ecu, QStringList names, QStringList types);
  QString getFormatedState(QString ecu, QString name, QString value);
  QString getFormatedParam(QString ecu, QString name, double value);

  static DRQuery createQuery(QString queryId, QString requestType, QString name);
  static DREcuDataSet createQueryDataSet(QString ecu, QString command, QString param);
  static DREcuDataSet createSignalDataSet(QString ecu, QStringList names, QStringList types);
  // The ECU data set that carries one raw request frame, unchanged.
  static DREcuDataSet createRawFrameDataSet(QString ecu, QString frame);

  // Status used when a value could not be obtained.
  static constexpr int NO_VALUE = -999;
};
