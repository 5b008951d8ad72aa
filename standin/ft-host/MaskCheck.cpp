#include "MaskCheck.h"

#include <cmath>
#include <limits>
#include <vector>

#include "BSet.h"
#include "ID.h"
#include "StandinDataManager.h"
#include "StandinDiagData.h"
#include "StandinHost.h"
#include "StringSet.h"
#include "mask/ExpressionStore.h"
#include "mask/SyntaxInterpreter.h"
#include "platform/Platform.h"

namespace {

// The first '(' outside a quoted text that no ')' closes, as a cause; empty when all close.
std::string unclosedBracket(const std::string& mask) {
  std::vector<std::size_t> open;
  bool quoted = false;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] == '\'')
      quoted = !quoted;
    else if (!quoted && mask[i] == '(')
      open.push_back(i);
    else if (!quoted && mask[i] == ')' && !open.empty())
      open.pop_back();
  }
  if (open.empty()) return "";
  return "at character " + std::to_string(open.front() + 1) +
         ": '(' is never closed, so the rest of the mask is ignored";
}

std::string number(double value) {
  std::string text = std::to_string(value);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

}  // namespace

std::string maskProblem(SyntaxInterpreter& interpreter, const std::string& mask) {
  if (std::string cause = unclosedBracket(mask); !cause.empty()) return cause;
  double result = std::numeric_limits<double>::quiet_NaN();
  const int status = interpreter.evaluate(mask.c_str(), result);
  if (status < 0) return mask::failure();
  if (std::isnan(result)) return "it gives no value, so the item never applies";
  // A truth value comes out as 1 or 0; a number is cut to an integer, and only 1 applies.
  if (const double whole = std::trunc(result); status == 0 && whole != 0 && whole != 1)
    return "it gives the number " + number(result) +
           ", and only 1 (true) applies: compare it, e.g. (Options & 4) == 4";
  return "";
}

void checkMasks(StandinHost& host, const std::string& ecu,
                const std::function<void(const std::string&)>& warn) {
  SyntaxInterpreter interpreter;
  BSet states(0);
  const std::wstring key =
      L"data:/Auto/InternalOwner/UCEs/" + Platform::ansiToWide(ecu.c_str()) + L"/States";
  if (host.dataManager().readSet(ID(key.c_str()), states) == 0) {
    const StringSet names = states.getAllKeys();
    for (int i = 0; i < names.length(); ++i) {
      ACE_WString name;
      names.getAt(i, name);
      long value = 0;
      states.getInt(name, value);
      interpreter.getStore()->setVariable(Platform::wideToAnsi(name.c_str()).c_str(), value, 0);
    }
  }
  for (const StandinDiagData::Description& item : host.diagData().descriptionsOf(ecu)) {
    if (!item.mask) continue;
    if (const std::string problem = maskProblem(interpreter, *item.mask); !problem.empty())
      warn("the mask of " + std::string(StandinDiagData::kindName(item.kind)) + " " + item.name +
           " cannot work: '" + *item.mask + "': " + problem);
  }
}
