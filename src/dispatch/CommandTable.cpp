#include "dispatch/CommandTable.h"

const Command* findCommand(QStringView word) {
  for (const Command* command = commandsBegin(); command != commandsEnd(); ++command)
    if (word == QLatin1String(command->word)) return command;
  return nullptr;
}
