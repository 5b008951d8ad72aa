#include "mask/UnaryExpression.h"

#include "mask/ValueConversion.h"

UnaryExpression::UnaryExpression(wchar_t symbol, Node operand)
    : symbol_(symbol), operand_(std::move(operand)) {}

int UnaryExpression::toString(std::wstring& text) const {
  std::wstring operand;
  const int s = printOperand(operand_, false, operand);
  if (s < 0) return s;
  const std::string opening = symbol();
  text = L"[" + std::wstring(opening.begin(), opening.end()) + L", " + operand + L"]";
  return status::kOk;
}

int NegativeExpression::getDouble(double& value) const {
  return readOperand(&Expression::getDouble, value, [](double v) { return -v; });
}

int NegativeExpression::getLong(int32_t& value) const {
  return readOperand(&Expression::getLong, value, mask::wrapNeg);
}

int NotExpression::getBool(bool& value) const {
  const int s = readOperand(&Expression::getBool, value, [](bool v) { return !v; });
  return s < 0 ? s : status::fromTruth(value);
}
