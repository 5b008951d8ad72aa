#pragma once

#include "BDomData.h"
#include "DRInterpretation.h"
#include "DRMask.h"

class HOST_API DRState : public BDomData {
 public:
  bool set_name(const ACE_WString& name);
  bool has_Mask() const;
  bool get_Mask(DRMask& mask) const;
  bool has_Interpretation() const;
  bool get_Interpretation(DRInterpretation& interpretation) const;
};
