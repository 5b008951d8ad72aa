#pragma once

#include <memory>

#include "mask/Expression.h"

// What evaluating one operand produced: a value node owned here, or one lent
// by the tree (a literal) or by the store (a variable's node). A lent value is
// valid only until the next evaluation that may assign.
struct OperandValue {
  std::unique_ptr<Expression> owned;
  const Expression* value = nullptr;
};
