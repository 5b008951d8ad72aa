#pragma once

#include "BDomData.h"
#include "DRMask.h"

class HOST_API DRIdentification : public BDomData {
 public:
  bool set_name(const ACE_WString& name);
  bool has_Mask() const;
  bool get_Mask(DRMask& mask) const;
};
