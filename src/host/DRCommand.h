#pragma once

#include "BDomData.h"
#include "DRInputList.h"

class HOST_API DRCommand : public BDomData {
 public:
  bool set_name(const ACE_WString& name);
  bool set_InputList(const DRInputList& inputs);
};
