#pragma once

#include "http/RequestRouter.h"

// Routes a request by its command word: the command table says what the
// connection must know, the factory singleton makes the handler that answers.
// Stateless.
class CommandRouter : public RequestRouter {
 public:
  Route routeOf(const QString& target) const override;
  Reply answer(const QString& target) const override;
  void stopScenario() const override;
};
