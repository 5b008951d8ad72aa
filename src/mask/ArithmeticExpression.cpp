#include "mask/ArithmeticExpression.h"

#include <algorithm>
#include <functional>

#include "mask/ValueConversion.h"
#include "mask/ValueExpression.h"

namespace {

// The integer operations wrap at 32 bits.
template <int32_t (*op)(int32_t, int32_t)>
bool ints(int32_t a, int32_t b, int32_t& out) {
  out = op(a, b);
  return true;
}

template <class Op>
bool reals(double a, double b, double& out) {
  out = Op{}(a, b);
  return true;
}

// A divisor equal to 0 is refused, an integer 0 as well as a real 0.0.
bool divideInts(int32_t a, int32_t b, int32_t& out) {
  return b != 0 && ints<mask::wrapDiv>(a, b, out);
}

int divisionByZero() {
  mask::fail("division by zero");
  return status::kTypeError;
}

bool divideReals(double a, double b, double& out) {
  return b != 0.0 && reals<std::divides<>>(a, b, out);
}

// Each operator's printable opening and its integer and real operations; an
// operation answers false to refuse its operands.
const struct {
  const wchar_t* opening;
  bool (*ints)(int32_t a, int32_t b, int32_t& out);
  bool (*reals)(double a, double b, double& out);
} kRules[] = {
    {L"[+, ", ints<mask::wrapAdd>, reals<std::plus<>>},
    {L"[-, ", ints<mask::wrapSub>, reals<std::minus<>>},
    {L"[*, ", ints<mask::wrapMul>, reals<std::multiplies<>>},
    {L"[/, ", divideInts, divideReals},
};

}  // namespace

ArithmeticExpression::ArithmeticExpression(Code code, Node left, Node right)
    : BinaryExpression(kRules[code].opening, std::move(left), std::move(right)), code_(code) {}

// Arithmetic rule: integers stay integer with the wider bit width, a real
// makes the result real; texts only where the operator takes them.
int ArithmeticExpression::combine(const Expression& left, const Expression& right,
                                  Node& out) const {
  if (left.getKind() == kind::kLong && right.getKind() == kind::kLong) {
    const auto& a = static_cast<const LongExpression&>(left);
    const auto& b = static_cast<const LongExpression&>(right);
    int32_t v = 0;
    if (!kRules[code_].ints(a.value(), b.value(), v)) return divisionByZero();
    put<LongExpression>(out, v, std::max(a.bitWidth(), b.bitWidth()));
    return status::kOk;
  }
  if (isNumber(left) && isNumber(right)) {
    double v = 0;
    if (!kRules[code_].reals(numberAsDouble(left), numberAsDouble(right), v))
      return divisionByZero();
    put<DoubleExpression>(out, v);
    return status::kOk;
  }
  if (left.getKind() == kind::kChar && right.getKind() == kind::kChar)
    return combineTexts(static_cast<const CharExpression&>(left),
                        static_cast<const CharExpression&>(right), out);
  return status::kTypeError;
}

int ArithmeticExpression::combineTexts(const CharExpression&, const CharExpression&, Node&) const {
  return status::kTypeError;
}

int ArithmeticExpression::getDouble(double& value) const {
  return readBoth(&Expression::getDouble, [&](double a, double b) {
    return kRules[code_].reals(a, b, value) ? status::kOk : status::kTypeError;
  });
}

int ArithmeticExpression::getLong(int32_t& value) const {
  return readBoth(&Expression::getLong, [&](int32_t a, int32_t b) {
    return kRules[code_].ints(a, b, value) ? status::kOk : status::kTypeError;
  });
}

int AddExpression::combineTexts(const CharExpression& a, const CharExpression& b, Node& out) const {
  put<CharExpression>(out, a.text() + b.text());
  return status::kOk;
}
