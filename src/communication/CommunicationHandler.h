#pragma once

#include <QString>
#include <QStringList>

#include "dispatch/CommandHandlerBase.h"

// "isApplicable", "readSignal", "sendQuery", "sendRawQuery" (and the refused
// "retrieveInitialValue"): the page's access to the ECU.
class CommunicationHandler : public CommandHandlerBase {
 public:
  // Each command's answer: the words of its results, joined by ';'.
  Reply answerApplicable();
  Reply answerSignals();
  Reply answerQuery();
  Reply answerRawQuery();
  // A list command also needs as many types as names.
  bool checkParameters() override;

  static QString getErrResponseForNegStatus(int status);

  QString isApplicable(QString ecu, QStringList names, QStringList types);
  QString readSignal(QString ecu, QStringList names, QStringList types);
  int sendQuery(QString ecu, QString query, QString param);
  QString sendRawQuery(QString ecu, QString query);

  QString signalResponseFromDM(QString ecu, QStringList names, QStringList types);
  QString getFormatedState(QString ecu, QString name, QString value);
  QString getFormatedParam(QString ecu, QString name, double value);

  // printf's fixed notation; a negative count means printf's default of 6.
  static QString formatFixed(double value, int decimals);
};
