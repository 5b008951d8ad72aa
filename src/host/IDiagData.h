#pragma once

#include <ace/SString.h>

#include "DRIdentification.h"
#include "DRParameter.h"
#include "DRState.h"
#include "IComponent.h"

// "diagData:DiagData": the static description of every ECU's data items.
class HOST_API IDiagData : public IComponent {
 public:
  ~IDiagData() override;
  // 0 and the description filled, or non-zero for an unknown item.
  virtual int getState(const ACE_WString& ecu, const ACE_WString& name, DRState& state) = 0;
  virtual int getParameter(const ACE_WString& ecu, const ACE_WString& name,
                           DRParameter& parameter) = 0;
  virtual int getIdentification(const ACE_WString& ecu, const ACE_WString& name,
                                DRIdentification& identification) = 0;
};
