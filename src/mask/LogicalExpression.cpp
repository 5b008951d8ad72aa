#include "mask/LogicalExpression.h"

#include "mask/ValueExpression.h"

namespace {

// An operand of && or || must give a truth value; its own status is kept when it does.
int truthOf(int s, const OperandValue& value, bool& truth) {
  if (s < 0) return s;
  if (value.value == nullptr) return status::kNoLogicalValue;
  if (value.value->getKind() != kind::kBool) return status::kTypeError;
  truth = static_cast<const BoolExpression&>(*value.value).value();
  return s;
}

}  // namespace

// Logical rule: the right operand is evaluated only when the left one does
// not decide; a skipped right operand is never constant.
int LogicalExpression::evaluateLent(OperandValue& value, bool fold) {
  if (!left_ || !right_) return missing(left_ ? "right operand" : "left operand");
  OperandValue left;
  bool l = false;
  const int sL = truthOf(evaluateOperand(left_, fold, Use::kLend, left), left, l);
  if (sL < 0) return left.value != nullptr ? refuse(sL, left.value) : sL;
  if (l == decider_) {
    keep(left_, left, sL, fold);
    value = std::move(left);
    return status::fromTruth(l);
  }
  OperandValue right;
  bool r = false;
  const int sR = truthOf(evaluateOperand(right_, fold, Use::kLend, right), right, r);
  if (sR < 0) return right.value != nullptr ? refuse(sR, right.value) : sR;
  keep(left_, left, sL, fold);
  keep(right_, right, sR, fold);
  value = std::move(right);
  return sL == status::kConstant && sR == status::kConstant ? status::kConstant
                                                            : status::fromTruth(r);
}

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
