// Feeds arbitrary bytes to the mask interpreter: every text must end with a
// status (a failure with its reason), without a crash, a leak or undefined
// behaviour, and a second evaluation of the same text (now cached) must agree
// with the first.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mask/ExpressionCodes.h"
#include "mask/ExpressionStore.h"
#include "mask/SyntaxInterpreter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  SyntaxInterpreter interpreter;
  ExpressionStore* store = interpreter.getStore();
  store->setVariable("A", 1, 0);
  store->setVariable("B", 2, 0);
  store->setVariable("V", 31, 8);
  double first = 0;
  double second = 0;
  const int s1 = interpreter.evaluate(text.c_str(), first);
  if (s1 < -7 || s1 > 2) std::abort();
  // A failure always says why, until the next evaluation.
  if (s1 < 0 && mask::failure().empty()) std::abort();
  const int s2 = interpreter.evaluate(text.c_str(), second);
  if (s2 < 0 && mask::failure().empty()) std::abort();
  // An assignment may change what the second evaluation reads.
  if (text.find('=') == std::string::npos && s1 != s2) std::abort();
  return 0;
}
