#include "DRParameter.h"

#include "BDomDataImpl.h"

bool DRParameter::set_name(const ACE_WString& name) {
  return impl_->setAttribute("name", name);
}

bool DRParameter::has_Mask() const {
  return static_cast<bool>(impl_->child("Mask"));
}

bool DRParameter::get_Mask(DRMask& mask) const {
  return impl_->getChild("Mask", mask);
}

bool DRParameter::has_Format() const {
  return static_cast<bool>(impl_->child("Format"));
}

bool DRParameter::get_Format(DRFormat& format) const {
  return impl_->getChild("Format", format);
}
