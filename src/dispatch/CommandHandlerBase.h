#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Carries out one URL command. Created by the command factory per request,
// given the command word and parameters, checked once, asked once for the reply.
class CommandHandlerBase {
 public:
  CommandHandlerBase();
  virtual ~CommandHandlerBase();

  // Writes the complete HTTP reply; false when the command failed.
  virtual bool processRequest(QByteArray& reply) = 0;
  virtual bool checkParameters() = 0;

  QString getCommand() const { return command; }
  QMap<QString, QString> getParameters() const { return parameters; }
  void setParameters(QMap<QString, QString> newParameters);
  // True, with a warning, when the parameter is absent or has an empty value.
  bool isParameterEmpty(const QString& name);

  QString command;

 protected:
  QMap<QString, QString> parameters;
};

// bytes becomes exactly the UTF-8 encoding of text.
void toUtf8Bytes(const QString& text, QByteArray& bytes);
// Asks the host, without waiting, to stop the running scenario.
void notifyStopScenario();
