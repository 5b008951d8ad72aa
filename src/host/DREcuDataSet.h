#pragma once

#include "BDomData.h"
#include "DRCommand.h"
#include "DRIdentification.h"
#include "DRParameter.h"
#include "DRState.h"

// The part of a query that concerns one ECU.
class HOST_API DREcuDataSet : public BDomData {
 public:
  bool set_name(const ACE_WString& name);
  bool insert_State(const DRState& state);
  bool insert_Parameter(const DRParameter& parameter);
  bool insert_Identification(const DRIdentification& identification);
  bool insert_Command(const DRCommand& command);
};
