#include "DRCorrespondance.h"

#include "BDomDataImpl.h"

bool DRCorrespondance::get_value(ACE_WString& value) const {
  return impl_->getAttribute("value", value);
}

bool DRCorrespondance::get_codetext(ACE_WString& codetext) const {
  return impl_->getAttribute("codetext", codetext);
}

bool DRCorrespondance::get_defaultText(ACE_WString& defaultText) const {
  return impl_->getAttribute("defaultText", defaultText);
}
