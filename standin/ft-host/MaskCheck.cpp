#include "MaskCheck.h"

#include "BSet.h"
#include "ID.h"
#include "StandinDataManager.h"
#include "StandinDiagData.h"
#include "StandinHost.h"
#include "StringSet.h"
#include "mask/ExpressionStore.h"
#include "mask/SyntaxInterpreter.h"
#include "platform/Platform.h"

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
  static const char* const kKinds[] = {"State", "Parameter", "Identification"};
  for (const StandinDiagData::Description& item : host.diagData().descriptionsOf(ecu)) {
    if (!item.mask) continue;
    double result = 0;
    if (interpreter.evaluate(item.mask->c_str(), result) < 0)
      warn("the mask of " + std::string(kKinds[static_cast<int>(item.kind)]) + " " + item.name +
           " cannot work: '" + *item.mask + "': " + mask::failure());
  }
}
