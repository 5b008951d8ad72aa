#pragma once

#include <QString>

#include "http/Reply.h"

// What a connection asks of the layer that knows the commands, which
// implements it; the connection itself knows only HTTP.
class RequestRouter {
 public:
  // What the connection must know of a request target before it answers.
  struct Route {
    QString command;
    // Its whole head is read, for the cross-site guard.
    bool isCommand = false;
    // Refused for a foreign page or a cut head.
    bool changesState = false;
    // The request log shows the start of its answer.
    bool answerLogged = false;
  };

  virtual ~RequestRouter() = default;
  virtual Route routeOf(const QString& target) const = 0;
  // The reply to a request that may be answered; failed when no handler could
  // be made or its parameters were refused.
  virtual Reply answer(const QString& target) const = 0;
  // Tells the host that the scenario ends, as a failure and ENDFT do.
  virtual void stopScenario() const = 0;
};
