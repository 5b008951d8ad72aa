#pragma once

#include "HostApi.h"
#include "ID.h"

// Announces that the component with this identifier is being destroyed.
class HOST_API EventDestroyingComponent {
 public:
  explicit EventDestroyingComponent(const ID& componentId);
  const ID& getComponentID() const { return componentId_; }

 private:
  ID componentId_;
};
