// Feeds arbitrary text to the host's data-file loader: every text loads or is
// refused with a message, without a crash, a leak or undefined behaviour.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "StandinHost.h"
#include "StandinLog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = (StandinLog::setStderr(false), true);
  (void)quiet;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (!StandinHost::instance().loadText(text, error) && error.empty()) std::abort();
  return 0;
}
