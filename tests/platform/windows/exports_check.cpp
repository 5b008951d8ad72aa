// The export markers as a Windows build sees them: the module's entry points exported, the
// host's classes imported.
#include "host/HostApi.h"
#include "platform/Export.h"

class HOST_API HostClass {
 public:
  int value() const;
};

extern "C" FT_EXPORT int moduleEntry(const HostClass& host) {
  return host.value();
}
