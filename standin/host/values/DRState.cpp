#include "DRState.h"

#include "BDomDataImpl.h"

FT_DESCRIBED_ITEM_MEMBERS(DRState)

bool DRState::has_Interpretation() const {
  return static_cast<bool>(impl_->child("Interpretation"));
}

bool DRState::get_Interpretation(DRInterpretation& interpretation) const {
  return impl_->getChild("Interpretation", interpretation);
}
