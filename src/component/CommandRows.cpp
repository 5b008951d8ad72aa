// The rows of the command table. They name the handlers, so they live here, with
// what puts the component together; dispatch only reads them.
#include <iterator>
#include <new>

#include "communication/CommunicationHandler.h"
#include "dispatch/CommandTable.h"
#include "dispatch/ResponseConstants.h"
#include "handlers/GUIHandler.h"
#include "handlers/ResourceHandler.h"
#include "handlers/ScenarioHandler.h"
#include "handlers/UtilitiesHandler.h"

namespace {

template <class Handler>
CommandHandlerBase* create() {
  return new (std::nothrow) Handler();
}

// The handler's member function as a row's answer.
template <class Handler, Reply (Handler::*member)()>
Reply call(CommandHandlerBase& handler) {
  return (static_cast<Handler&>(handler).*member)();
}

using Communication = CommunicationHandler;
using Files = UtilitiesHandler;

constexpr bool kEveryMissing = true;
constexpr bool kFirstMissing = false;
constexpr bool kChanges = true;
constexpr bool kReads = false;

// clang-format off
const Command kCommands[] = {
  {CMD_FT, create<ScenarioHandler>, call<ScenarioHandler, &ScenarioHandler::servePage>,
   {"gui", "mw", "flow"}, kFirstMissing, kReads},
  {CMD_ENDFT, create<ScenarioHandler>, call<ScenarioHandler, &ScenarioHandler::endScenario>,
   {}, kFirstMissing, kChanges},
  {CMD_IS_APPLICABLE, create<Communication>, call<Communication, &Communication::answerApplicable>,
   {"names", "types"}, kEveryMissing, kReads},
  {CMD_READ_SIGNAL, create<Communication>, call<Communication, &Communication::answerSignals>,
   {"names", "types"}, kEveryMissing, kReads},
  {CMD_RETRIEVE_INITIAL_VALUE, create<Communication>, nullptr,
   {}, kFirstMissing, kReads},
  {CMD_SEND_QUERY, create<Communication>, call<Communication, &Communication::answerQuery>,
   {"query"}, kFirstMissing, kChanges},
  {CMD_SEND_RAW_QUERY, create<Communication>, call<Communication, &Communication::answerRawQuery>,
   {"query"}, kFirstMissing, kChanges},
  {CMD_GET_TEXT, create<GUIHandler>, call<GUIHandler, &GUIHandler::answerTexts>,
   {"textCode"}, kFirstMissing, kReads},
  {CMD_FILE_EXISTS, create<Files>, call<Files, &Files::answerExists>,
   {"name"}, kFirstMissing, kReads},
  {CMD_READ_FILE, create<Files>, call<Files, &Files::answerRead>,
   {"name"}, kFirstMissing, kReads},
  {CMD_READ_XML_FILE, create<Files>, call<Files, &Files::answerReadXml>,
   {"name", "type"}, kFirstMissing, kReads},
  {CMD_WRITE_FILE, create<Files>, call<Files, &Files::answerWrite>,
   {"name", "content"}, kFirstMissing, kChanges},
  {CMD_DELETE_FILE, create<Files>, call<Files, &Files::answerDelete>,
   {"name"}, kFirstMissing, kChanges},
};
// clang-format on

}  // namespace

const Command* commandsBegin() {
  return std::begin(kCommands);
}

const Command* commandsEnd() {
  return std::end(kCommands);
}

CommandCreator guiFileCreator() {
  return &create<ResourceHandler>;
}
