#include "DRIdentification.h"

#include "BDomDataImpl.h"

bool DRIdentification::set_name(const ACE_WString& name) {
  return impl_->setAttribute("name", name);
}

bool DRIdentification::has_Mask() const {
  return static_cast<bool>(impl_->child("Mask"));
}

bool DRIdentification::get_Mask(DRMask& mask) const {
  return impl_->getChild("Mask", mask);
}
