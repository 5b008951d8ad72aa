#include "mask/ArithmeticExpression.h"

#include <type_traits>

#include "mask/ValueConversion.h"

namespace {

// Each operator's printable opening and its integer and real operations.
const struct {
  const wchar_t* opening;
  int32_t (*ints)(int32_t a, int32_t b);
  double (*reals)(double a, double b);
} kRules[] = {
    {L"[+, ", mask::wrapAdd, [](double a, double b) { return a + b; }},
    {L"[-, ", mask::wrapSub, [](double a, double b) { return a - b; }},
    {L"[*, ", mask::wrapMul, [](double a, double b) { return a * b; }},
    {L"[/, ", mask::wrapDiv, [](double a, double b) { return a / b; }},
};

}  // namespace

ArithmeticExpression::ArithmeticExpression(Code code, Node left, Node right)
    : BinaryExpression(kRules[code].opening, std::move(left), std::move(right)), code_(code) {}

mask::Program::Code ArithmeticExpression::operation() const {
  return static_cast<mask::Program::Code>(static_cast<int>(mask::Program::kAdd) + code_);
}

// A divisor equal to 0 is refused, an integer 0 as well as a real 0.0.
template <class T>
int ArithmeticExpression::calculate(T a, T b, T& out) const {
  if (code_ == kDiv && b == 0) return status::kTypeError;
  if constexpr (std::is_same_v<T, double>)
    out = kRules[code_].reals(a, b);
  else
    out = kRules[code_].ints(a, b);
  return status::kOk;
}

int ArithmeticExpression::getDouble(double& value) const {
  return readBoth(&Expression::getDouble,
                  [&](double a, double b) { return calculate(a, b, value); });
}

int ArithmeticExpression::getLong(int32_t& value) const {
  return readBoth(&Expression::getLong,
                  [&](int32_t a, int32_t b) { return calculate(a, b, value); });
}
