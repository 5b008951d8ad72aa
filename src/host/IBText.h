#pragma once

#include <ace/SString.h>

#include "IComponent.h"

// "makora:BText?BText", the text service.
class HOST_API IBText : public IComponent {
 public:
  ~IBText() override;
  // Fills and returns out: the text of code, or defaultText when there is none.
  virtual ACE_WString& lookupText(ACE_WString& out, const ACE_WString& code,
                                  const ACE_WString& defaultText) = 0;
};
