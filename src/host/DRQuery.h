#pragma once

#include "BDomData.h"
#include "DREcuDataSet.h"

// A query document for the diagnostic services.
class HOST_API DRQuery : public BDomData {
 public:
  bool set_name(const ACE_WString& name);
  bool set_queryId(const ACE_WString& queryId);
  bool set_sleepTimer(const ACE_WString& sleepTimer);
  bool set_requestType(const ACE_WString& requestType);
  bool set_refresh(const ACE_WString& refresh);
  bool set_synchronous(const ACE_WString& synchronous);
  bool insert_EcuDataSet(const DREcuDataSet& dataSet);
};
