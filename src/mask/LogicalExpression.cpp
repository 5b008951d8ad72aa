#include "mask/LogicalExpression.h"

// Reading rule: the left truth value, and the right one when the left does not decide.
int LogicalExpression::getBool(bool& value) const {
  if (!left_ || !right_) return status::kMissingOperand;
  bool truth = false;
  int s = left_->getBool(truth);
  if (s >= 0 && truth != decider_) s = right_->getBool(truth);
  if (s < 0) return s;
  value = truth;
  return status::fromTruth(truth);
}
