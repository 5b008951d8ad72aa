#pragma once

#include "BDomData.h"

// Applicability mask of a data item.
class HOST_API DRMask : public BDomData {
 public:
  // The mask expression text.
  bool get_value(ACE_WString& value) const;
};
