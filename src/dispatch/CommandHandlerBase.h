#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <utility>

#include "http/ReplyFile.h"

// Carries out one URL command. Created by the command factory per request,
// given the command word and parameters, checked once, asked once for the reply.
class CommandHandlerBase {
 public:
  CommandHandlerBase();
  virtual ~CommandHandlerBase();

  // Writes the complete HTTP reply; false when the command failed. A reply
  // whose body is a file may write the head only and leave the file to
  // replyFile_, which is sent after it (and dropped when the command failed).
  virtual bool processRequest(QByteArray& reply) = 0;
  virtual bool checkParameters() = 0;

  QString getCommand() const { return command_; }
  void setCommand(const QString& word) { command_ = word; }
  void setParameters(QMap<QString, QString> newParameters);
  // True, with a warning, when the parameter is absent or has an empty value.
  bool isParameterEmpty(const QString& name);
  ReplyFile takeReplyFile() { return std::move(replyFile_); }

 protected:
  QString command_;
  QMap<QString, QString> parameters_;
  ReplyFile replyFile_;
};

// bytes becomes exactly the UTF-8 encoding of text.
void toUtf8Bytes(const QString& text, QByteArray& bytes);
// Asks the host, without waiting, to stop the running scenario.
void notifyStopScenario();
