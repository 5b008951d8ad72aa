#include "DRIdentification.h"

#include "BDomDataImpl.h"

FT_DESCRIBED_ITEM_MEMBERS(DRIdentification)
