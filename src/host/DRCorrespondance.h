#pragma once

#include "BDomData.h"

// One value-to-text entry of a state's interpretation.
class HOST_API DRCorrespondance : public BDomData {
 public:
  bool get_value(ACE_WString& value) const;
  bool get_codetext(ACE_WString& codetext) const;
  bool get_defaultText(ACE_WString& defaultText) const;
};
