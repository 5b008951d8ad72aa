#include "DRInterpretation.h"

#include "BDomDataImpl.h"

bool DRInterpretation::has_Correspondance() const {
  return static_cast<bool>(impl_->child("Correspondance"));
}

bool DRInterpretation::get_Correspondance(ACE_Array<DRCorrespondance>& entries) const {
  const auto children = impl_->root().children("Correspondance");
  const auto count = static_cast<size_t>(std::distance(children.begin(), children.end()));
  if (entries.size(count) != 0) return false;
  size_t index = 0;
  for (pugi::xml_node child : children) {
    DRCorrespondance entry;
    entry.impl().assign(child);
    entries.set(entry, index++);
  }
  return true;
}
