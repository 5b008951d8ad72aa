#include "DRParameter.h"

#include "BDomDataImpl.h"

FT_DESCRIBED_ITEM_MEMBERS(DRParameter)

bool DRParameter::has_Format() const {
  return static_cast<bool>(impl_->child("Format"));
}

bool DRParameter::get_Format(DRFormat& format) const {
  return impl_->getChild("Format", format);
}
