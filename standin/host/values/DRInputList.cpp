#include "DRInputList.h"

#include "BDomDataImpl.h"

bool DRInputList::insert_InputData(const DRInputData& input) {
  return impl_->append(input);
}
