#include "DRCommand.h"

#include "BDomDataImpl.h"

bool DRCommand::set_name(const ACE_WString& name) {
  return impl_->setAttribute("name", name);
}

bool DRCommand::set_InputList(const DRInputList& inputs) {
  return impl_->replaceChild("InputList", inputs);
}
