#include "mask/ComparisonExpression.h"

#include <cstring>

#include "mask/ValueExpression.h"

namespace {

const wchar_t* const kOpenings[] = {L"[==, ", L"[!=, ", L"[<, ", L"[>, ", L"[<=, ", L"[>=, "};

// One operator code over two ordered values; false for an unordered pair except !=.
template <class T>
bool relate(ComparisonExpression::Code code, T a, T b) {
  switch (code) {
    case ComparisonExpression::kEqual:
      return a == b;
    case ComparisonExpression::kDifferent:
      return a != b;
    case ComparisonExpression::kLess:
      return a < b;
    case ComparisonExpression::kGreater:
      return a > b;
    case ComparisonExpression::kLessEqual:
      return a <= b;
    case ComparisonExpression::kGreaterEqual:
      return a >= b;
  }
  return false;
}

// Truth values are only equal or different; they have no order.
bool relate(ComparisonExpression::Code code, bool a, bool b) {
  return (code == ComparisonExpression::kEqual && a == b) ||
         (code == ComparisonExpression::kDifferent && a != b);
}

}  // namespace

ComparisonExpression::ComparisonExpression(Code code, Node left, Node right)
    : BinaryExpression(kOpenings[code - 1], std::move(left), std::move(right)), code_(code) {}

// Comparison rule: numbers as doubles, texts bytewise, truth values only for
// equality; any other pairing is a type error.
int ComparisonExpression::relateValues(const Expression& left, const Expression& right,
                                       bool& truth) const {
  const int32_t kl = left.getKind();
  const int32_t kr = right.getKind();
  if (isNumber(left) && isNumber(right))
    truth = relate(code_, numberAsDouble(left), numberAsDouble(right));
  else if (kl == kind::kChar && kr == kind::kChar)
    truth = relate(code_,
                   std::strcmp(static_cast<const CharExpression&>(left).text().c_str(),
                               static_cast<const CharExpression&>(right).text().c_str()),
                   0);
  else if (kl == kind::kBool && kr == kind::kBool)
    truth = relate(code_, static_cast<const BoolExpression&>(left).value(),
                   static_cast<const BoolExpression&>(right).value());
  else
    return status::kTypeError;
  return status::fromTruth(truth);
}

int ComparisonExpression::combine(const Expression& left, const Expression& right,
                                  Node& out) const {
  bool truth = false;
  const int s = relateValues(left, right, truth);
  if (s >= 0) out = std::make_unique<BoolExpression>(truth);
  return s;
}

int ComparisonExpression::evaluateLent(OperandValue& value, bool fold) {
  bool truth = false;
  const int s = evaluateWith(
      fold, [&](const Expression& l, const Expression& r) { return relateValues(l, r, truth); });
  if (s < 0) return s;
  result_.setBool(truth);
  value.value = &result_;
  return s;
}

// Reading rule without building nodes: truth values first, then numbers, then texts.
int ComparisonExpression::readTruth(bool& truth) const {
  if (!left_ || !right_) return status::kMissingOperand;
  const auto relateTo = [&](auto a, auto b) { return status::answer(truth, relate(code_, a, b)); };
  if (readBoth(&Expression::getBool, relateTo) >= 0) return status::kOk;
  if (readBoth(&Expression::getDouble, relateTo) >= 0) return status::kOk;
  const int s = readBoth(&Expression::getString, [&](const std::string& a, const std::string& b) {
    return relateTo(std::strcmp(a.c_str(), b.c_str()), 0);
  });
  return s < 0 ? status::kTypeError : status::kOk;
}

template <class T>
int ComparisonExpression::readAs(T& value, T whenTrue, T whenFalse) const {
  bool truth = false;
  const int s = readTruth(truth);
  return s < 0 ? s : status::answer(value, truth ? whenTrue : whenFalse, status::fromTruth(truth));
}

int ComparisonExpression::getBool(bool& value) const {
  if (code_ != kEqual && code_ != kDifferent) return status::kUnsupported;
  return readAs(value, true, false);
}

int ComparisonExpression::getDouble(double& value) const {
  return readAs(value, 1.0, 0.0);
}

int ComparisonExpression::getLong(int32_t& value) const {
  return readAs<int32_t>(value, 1, 0);
}

int ComparisonExpression::getString(std::string& text) const {
  return readAs<std::string>(text, "1", "0");
}
