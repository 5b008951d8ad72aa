#pragma once

#include "BDomData.h"
#include "DRInputData.h"

class HOST_API DRInputList : public BDomData {
 public:
  bool insert_InputData(const DRInputData& input);
};
