#include "mask/ValueExpression.h"

// A value evaluates to a copy of itself and never depends on a variable.
int ValueExpression::evaluate(std::unique_ptr<Expression>& out, bool) {
  out = clone();
  return status::kConstant;
}

int ValueExpression::setBool(bool) {
  return status::kOk;
}
int ValueExpression::setString(const char*) {
  return status::kOk;
}
int ValueExpression::setLong(int32_t) {
  return status::kOk;
}
int ValueExpression::setDouble(double) {
  return status::kOk;
}
