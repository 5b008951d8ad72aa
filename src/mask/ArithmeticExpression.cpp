#include "mask/ArithmeticExpression.h"

#include <algorithm>
#include <type_traits>

#include "mask/ValueConversion.h"
#include "mask/ValueExpression.h"

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

// Arithmetic rule: integers stay integer with the wider bit width, a real
// makes the result real; texts only where the operator takes them.
int ArithmeticExpression::combine(const Expression& left, const Expression& right,
                                  Node& out) const {
  int s = status::kOk;
  if (left.getKind() == kind::kLong && right.getKind() == kind::kLong) {
    const auto& a = static_cast<const LongExpression&>(left);
    const auto& b = static_cast<const LongExpression&>(right);
    int32_t v = 0;
    s = calculate(a.value(), b.value(), v);
    if (s >= 0) put<LongExpression>(out, v, std::max(a.bitWidth(), b.bitWidth()));
  } else if (isNumber(left) && isNumber(right)) {
    double v = 0;
    s = calculate(numberAsDouble(left), numberAsDouble(right), v);
    if (s >= 0) put<DoubleExpression>(out, v);
  } else if (left.getKind() == kind::kChar && right.getKind() == kind::kChar) {
    return combineTexts(static_cast<const CharExpression&>(left),
                        static_cast<const CharExpression&>(right), out);
  } else {
    return status::kTypeError;
  }
  if (s < 0) mask::fail("division by zero");
  return s;
}

int ArithmeticExpression::combineTexts(const CharExpression&, const CharExpression&, Node&) const {
  return status::kTypeError;
}

int ArithmeticExpression::getDouble(double& value) const {
  return readBoth(&Expression::getDouble,
                  [&](double a, double b) { return calculate(a, b, value); });
}

int ArithmeticExpression::getLong(int32_t& value) const {
  return readBoth(&Expression::getLong,
                  [&](int32_t a, int32_t b) { return calculate(a, b, value); });
}

int AddExpression::combineTexts(const CharExpression& a, const CharExpression& b, Node& out) const {
  put<CharExpression>(out, a.text() + b.text());
  return status::kOk;
}
