#include "DRMask.h"

#include "BDomDataImpl.h"

bool DRMask::get_value(ACE_WString& value) const {
  return impl_->getAttribute("value", value);
}
