#pragma once

#include "HostApi.h"
#include "IComponentManager.h"

class HOST_API ComponentManagerFactory {
 public:
  // The host's component manager, or null.
  static IComponentManager* getComponentManager();
};
