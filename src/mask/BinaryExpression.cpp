#include "mask/BinaryExpression.h"

BinaryExpression::BinaryExpression(const wchar_t* opening, Node left, Node right)
    : opening_(opening), left_(std::move(left)), right_(std::move(right)) {}

const Expression* BinaryExpression::operand(int index) const {
  return index == 0 ? left_.get() : index == 1 ? right_.get() : nullptr;
}

int BinaryExpression::toString(std::wstring& text) const {
  std::wstring left;
  std::wstring right;
  int s = printOperand(left_, printsMissingAsEmpty(), left);
  if (s >= 0) s = printOperand(right_, printsMissingAsEmpty(), right);
  if (s < 0) return s;
  text = opening_ + left + L", " + right + L"]";
  return status::kOk;
}

std::string BinaryExpression::symbol() const {
  std::string out;
  for (const wchar_t* c = opening_ + 1; *c != L',' && *c != 0; ++c) out += static_cast<char>(*c);
  return out;
}

int BinaryExpression::longAsDouble(double& value) const {
  int32_t v = 0;
  const int s = getLong(v);
  if (s < 0) return s;
  value = v;
  return status::kOk;
}
