#pragma once

#include "BDomData.h"
#include "DRFormat.h"
#include "DRMask.h"

class HOST_API DRParameter : public BDomData {
 public:
  bool set_name(const ACE_WString& name);
  bool has_Mask() const;
  bool get_Mask(DRMask& mask) const;
  bool has_Format() const;
  bool get_Format(DRFormat& format) const;
};
