#include "DRQuery.h"

#include "BDomDataImpl.h"

bool DRQuery::set_name(const ACE_WString& name) {
  return impl_->setAttribute("name", name);
}

bool DRQuery::set_queryId(const ACE_WString& queryId) {
  return impl_->setAttribute("queryId", queryId);
}

bool DRQuery::set_sleepTimer(const ACE_WString& sleepTimer) {
  return impl_->setAttribute("sleepTimer", sleepTimer);
}

bool DRQuery::set_requestType(const ACE_WString& requestType) {
  return impl_->setAttribute("requestType", requestType);
}

bool DRQuery::set_refresh(const ACE_WString& refresh) {
  return impl_->setAttribute("refresh", refresh);
}

bool DRQuery::set_synchronous(const ACE_WString& synchronous) {
  return impl_->setAttribute("synchronous", synchronous);
}

bool DRQuery::insert_EcuDataSet(const DREcuDataSet& dataSet) {
  return impl_->append(dataSet);
}
