#pragma once

#include "IComponent.h"

// A component the host may configure before running it.
class HOST_API IParameterizedComponent : public IComponent {
 public:
  ~IParameterizedComponent() override;
};
