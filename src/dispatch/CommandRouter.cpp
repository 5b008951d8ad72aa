#include "dispatch/CommandRouter.h"

#include <memory>

#include "dispatch/CommandHandlerBase.h"
#include "dispatch/CommandTable.h"
#include "dispatch/ResponseConstants.h"
#include "dispatch/URLCommandFactory.h"
#include "http/RequestDesc.h"

RequestRouter::Route CommandRouter::routeOf(const QString& target) const {
  Route route;
  URLCommandFactory::extractURLCommand(target, route.command);
  const Command* row = findCommand(route.command);
  route.isCommand = row != nullptr;
  route.changesState = row != nullptr && row->changesState;
  // A command's words are worth seeing; a page or a file is not.
  route.answerLogged = row != nullptr && route.command != QLatin1String(CMD_FT);
  return route;
}

Reply CommandRouter::answer(const QString& target) const {
  RequestDesc desc;
  desc.setRequest(target);
  URLCommandFactory* factory = URLCommandFactory::getInstance();
  const std::unique_ptr<CommandHandlerBase> handler(
      factory != nullptr ? factory->getCommandFromURL(desc) : nullptr);
  return handler ? handler->answer() : Reply::failure();
}

void CommandRouter::stopScenario() const {
  notifyStopScenario();
}
