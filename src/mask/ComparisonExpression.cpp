#include "mask/ComparisonExpression.h"

#include <cstring>

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
