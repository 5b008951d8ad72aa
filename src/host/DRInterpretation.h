#pragma once

#include <ace/Containers_T.h>

#include "BDomData.h"
#include "DRCorrespondance.h"

// The interpretation table of a state.
class HOST_API DRInterpretation : public BDomData {
 public:
  bool has_Correspondance() const;
  // The entries in document order.
  bool get_Correspondance(ACE_Array<DRCorrespondance>& entries) const;
};
