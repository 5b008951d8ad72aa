#include "DRState.h"

#include "BDomDataImpl.h"

bool DRState::set_name(const ACE_WString& name) {
  return impl_->setAttribute("name", name);
}

bool DRState::has_Mask() const {
  return static_cast<bool>(impl_->child("Mask"));
}

bool DRState::get_Mask(DRMask& mask) const {
  return impl_->getChild("Mask", mask);
}

bool DRState::has_Interpretation() const {
  return static_cast<bool>(impl_->child("Interpretation"));
}

bool DRState::get_Interpretation(DRInterpretation& interpretation) const {
  return impl_->getChild("Interpretation", interpretation);
}
