#include "mask/IfExpression.h"

Node IfExpression::clone() const {
  return std::make_unique<IfExpression>(cloneOf(first_), cloneOf(second_), cloneOf(third_));
}

int IfExpression::toString(std::wstring& text) const {
  std::wstring condition;
  std::wstring then;
  std::wstring otherwise;
  int s = printOperand(first_, true, condition);
  if (s >= 0) s = printOperand(second_, true, then);
  if (s >= 0) s = printOperand(third_, true, otherwise);
  if (s < 0) return s;
  text = L"[" + condition + L" ? " + then + L" : " + otherwise + L"]";
  return status::kOk;
}
