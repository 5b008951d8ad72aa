#pragma once

#include <QString>
#include <QStringView>
#include <array>

#include "http/Reply.h"

class CommandHandlerBase;
using CommandCreator = CommandHandlerBase* (*)();

// One row per command word: the handler that serves it, the function that
// answers it, what it needs and whether it changes anything. Dispatch, the
// parameter checks and the cross-site guard all read this one table.
struct Command {
  const char* word;
  CommandCreator create;
  // Answers on a handler made by create, its parameters checked; null for a
  // word that is known but always refused.
  Reply (*answer)(CommandHandlerBase& handler);
  // Parameters that must be present and non-empty, checked in this order.
  std::array<const char*, 3> required;
  // Every missing one is warned about, not only the first.
  bool warnEveryMissing;
  // Writes, deletes, queries the ECU or ends the scenario: refused for a
  // foreign page.
  bool changesState;
};

// The row of an exact, case-sensitive command word, or null for a GUI file.
const Command* findCommand(QStringView word);

// Defined where the component is put together (they name the handlers), and
// constant from before the module's static initialisation.
// Every row, for building the factory's map.
const Command* commandsBegin();
const Command* commandsEnd();
// Serves every word that has no row: the GUI's files.
CommandCreator guiFileCreator();
