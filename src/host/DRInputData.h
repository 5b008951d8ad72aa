#pragma once

#include "BDomData.h"

// One input value of a command.
class HOST_API DRInputData : public BDomData {
 public:
  bool set_value(const ACE_WString& value);
};
