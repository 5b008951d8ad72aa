#include "mask/ComparisonExpression.h"

#include <cstring>

#include "mask/ValueExpression.h"

namespace {

const wchar_t* const kOpenings[] = {L"[==, ", L"[!=, ", L"[<, ", L"[>, ", L"[<=, ", L"[>=, "};

// One operator code over two values, by the outcomes (less, equal, greater,
// unordered) that make each comparison true: an unordered pair only for !=.
template <class T>
bool relate(ComparisonExpression::Code code, T a, T b) {
  static constexpr unsigned kTrueFor[] = {0b0010, 0b1101, 0b0001, 0b0100, 0b0011, 0b0110};
  const int outcome = a < b ? 0 : a == b ? 1 : a > b ? 2 : 3;
  return (kTrueFor[code - 1] >> outcome) & 1u;
}

// Truth values are only equal or different; they have no order.
bool relate(ComparisonExpression::Code code, bool a, bool b) {
  return (code == ComparisonExpression::kEqual && a == b) ||
         (code == ComparisonExpression::kDifferent && a != b);
}

}  // namespace

ComparisonExpression::ComparisonExpression(Code code, Node left, Node right)
    : ReadsAlike(kOpenings[code - 1], std::move(left), std::move(right)), code_(code) {}

// Comparison rule: numbers as doubles, texts bytewise, truth values only for
// equality; any other pairing is a type error.
int ComparisonExpression::combine(const Expression& left, const Expression& right,
                                  Node& out) const {
  const int32_t kl = left.getKind();
  const int32_t kr = right.getKind();
  bool truth = false;
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
  put<BoolExpression>(out, truth);
  return status::fromTruth(truth);
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
