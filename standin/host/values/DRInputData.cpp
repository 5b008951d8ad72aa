#include "DRInputData.h"

#include "BDomDataImpl.h"

bool DRInputData::set_value(const ACE_WString& value) {
  return impl_->setAttribute("value", value);
}
