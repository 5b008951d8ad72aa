#pragma once

#include "BDomData.h"

// Number format of a parameter; its text content is the number of decimals.
class HOST_API DRFormat : public BDomData {};
