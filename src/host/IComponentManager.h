#pragma once

#include "HostApi.h"
#include "IComponent.h"
#include "ID.h"

// Hands out the host's components by identifier.
class HOST_API IComponentManager {
 public:
  virtual ~IComponentManager();
  // 0 and the component, or non-zero when it is not available.
  virtual int getComponent(const ID& id, IComponent** component) = 0;

  template <class T>
  int getComponent(const ID& id, T** component) {
    IComponent* found = nullptr;
    int status = getComponent(id, &found);
    if (status != 0) return status;
    *component = dynamic_cast<T*>(found);
    return *component != nullptr ? 0 : -1;
  }
};
