#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include "dispatch/CommandTable.h"
#include "http/Reply.h"

// Carries out one URL command. Created by the command factory per request,
// given the command word and parameters, checked once, asked once for the reply.
class CommandHandlerBase {
 public:
  CommandHandlerBase();
  virtual ~CommandHandlerBase();

  // The answer to the command, by its row of the command table.
  virtual Reply answer();
  // The parameters the command's row requires are there and not empty.
  virtual bool checkParameters();
  // The answer's head and body as bytes (a file's content is not included),
  // its own stop events sent; false when the command failed.
  bool processRequest(QByteArray& reply);

  QString getCommand() const { return command_; }
  // Also finds the word's row of the command table.
  void setCommand(const QString& word);
  void setParameters(QMap<QString, QString> newParameters);
  // True, with a warning, when the parameter is absent or has an empty value.
  bool isParameterEmpty(const QString& name);

 protected:
  QString command_;
  // Null for a word that is not a command (a GUI file).
  const Command* row_ = nullptr;
  QMap<QString, QString> parameters_;
};

// bytes becomes exactly the UTF-8 encoding of text.
void toUtf8Bytes(const QString& text, QByteArray& bytes);
// Asks the host, without waiting, to stop the running scenario.
void notifyStopScenario();
