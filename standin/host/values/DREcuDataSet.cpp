#include "DREcuDataSet.h"

#include "BDomDataImpl.h"

bool DREcuDataSet::set_name(const ACE_WString& name) {
  return impl_->setAttribute("name", name);
}

bool DREcuDataSet::insert_State(const DRState& state) {
  return impl_->append(state);
}

bool DREcuDataSet::insert_Parameter(const DRParameter& parameter) {
  return impl_->append(parameter);
}

bool DREcuDataSet::insert_Identification(const DRIdentification& identification) {
  return impl_->append(identification);
}

bool DREcuDataSet::insert_Command(const DRCommand& command) {
  return impl_->append(command);
}
