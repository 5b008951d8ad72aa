#include "mask/BinaryExpression.h"

#include <cstring>

#include "mask/BoolExpression.h"
#include "mask/CharExpression.h"

BinaryExpression::BinaryExpression(std::unique_ptr<Expression> left,
                                   std::unique_ptr<Expression> right)
    : left_(std::move(left)), right_(std::move(right)) {
  assigns_ = mayAssign(left_) || mayAssign(right_);
}

// Operators with their own evaluation (&&, ||, =) never combine.
int BinaryExpression::combine(const Expression&, const Expression&,
                              std::unique_ptr<Expression>&) const {
  return status::kTypeError;
}

// Binary rule: left then right, the operator over their values, then folding
// of each constant operand; the result is constant when both operands are.
int BinaryExpression::evaluateBinary(std::unique_ptr<Expression>& out, bool fold) {
  if (!left_ || !right_) return status::kMissingOperand;
  OperandValue left;
  OperandValue right;
  // The right operand may rebind the variable the left one would lend.
  const int sL = evaluateOperand(left_, fold, mayAssign(right_) ? Use::kCopy : Use::kLend, left);
  if (sL < 0) return sL;
  const int sR = evaluateOperand(right_, fold, Use::kLend, right);
  if (sR < 0) return sR;
  if (left.value == nullptr || right.value == nullptr) return status::kUnsupported;
  std::unique_ptr<Expression> result;
  const int s = combine(*left.value, *right.value, result);
  keep(left_, left, sL, fold);
  keep(right_, right, sR, fold);
  if (s < 0) return s;
  out = std::move(result);
  return sL == status::kConstant && sR == status::kConstant ? status::kConstant : s;
}

// && and || rule: the left truth value decides whether the right operand is
// evaluated at all; the result is the deciding operand's value.
int BinaryExpression::evaluateLogical(Code code, std::unique_ptr<Expression>& out, bool fold) {
  if (!left_ || !right_) return status::kMissingOperand;
  OperandValue left;
  const int sL = evaluateOperand(left_, fold, Use::kLend, left);
  if (sL < 0) return sL;
  if (left.value == nullptr) return status::kNoLogicalValue;
  if (left.value->getKind() != kind::kBool) return status::kTypeError;
  const bool l = static_cast<const BoolExpression&>(*left.value).value();
  if (l == (code == kOr)) {
    keep(left_, left, sL, fold);
    out = take(left);
    return status::fromTruth(l);
  }
  OperandValue right;
  const int sR = evaluateOperand(right_, fold, Use::kLend, right);
  if (sR < 0) return sR;
  if (right.value == nullptr) return status::kNoLogicalValue;
  if (right.value->getKind() != kind::kBool) return status::kTypeError;
  const bool r = static_cast<const BoolExpression&>(*right.value).value();
  keep(left_, left, sL, fold);
  keep(right_, right, sR, fold);
  out = take(right);
  return sL == status::kConstant && sR == status::kConstant ? status::kConstant
                                                            : status::fromTruth(r);
}

namespace {

// One operator code over two ordered values; false for an unordered pair
// except !=. Codes that are not comparisons give -2.
template <class T>
int relate(BinaryExpression::Code code, T a, T b, bool& truth) {
  switch (code) {
    case BinaryExpression::kEqual:
      truth = a == b;
      break;
    case BinaryExpression::kDifferent:
      truth = a != b;
      break;
    case BinaryExpression::kLess:
      truth = a < b;
      break;
    case BinaryExpression::kGreater:
      truth = a > b;
      break;
    case BinaryExpression::kLessEqual:
      truth = a <= b;
      break;
    case BinaryExpression::kGreaterEqual:
      truth = a >= b;
      break;
    default:
      return status::kTypeError;
  }
  return status::kOk;
}

}  // namespace

// Comparison rule: numbers as doubles, texts bytewise, truth values only for
// equality; any other pairing is a type error.
int BinaryExpression::compareValues(Code code, const Expression& left, const Expression& right,
                                    bool& truth) {
  truth = false;
  const int32_t kl = left.getKind();
  const int32_t kr = right.getKind();
  if (isNumber(left) && isNumber(right))
    return relate(code, numberAsDouble(left), numberAsDouble(right), truth);
  if (kl == kind::kChar && kr == kind::kChar)
    return relate(code,
                  std::strcmp(static_cast<const CharExpression&>(left).text().c_str(),
                              static_cast<const CharExpression&>(right).text().c_str()),
                  0, truth);
  if (kl == kind::kBool && kr == kind::kBool) {
    const bool a = static_cast<const BoolExpression&>(left).value();
    const bool b = static_cast<const BoolExpression&>(right).value();
    truth = (code == kEqual && a == b) || (code == kDifferent && a != b);
    return status::kOk;
  }
  return status::kTypeError;
}

int BinaryExpression::compare(Code code, const Expression& left, const Expression& right,
                              std::unique_ptr<Expression>& out) {
  bool truth = false;
  const int s = compareValues(code, left, right, truth);
  if (s < 0) return s;
  out = std::make_unique<BoolExpression>(truth);
  return status::fromTruth(truth);
}

int BinaryExpression::printBinary(const wchar_t* opening, std::wstring& text) const {
  std::wstring left;
  std::wstring right;
  int s = printOperand(left_, false, left);
  if (s < 0) return s;
  s = printOperand(right_, false, right);
  if (s < 0) return s;
  text = opening;
  text += left;
  text += L", ";
  text += right;
  text += L"]";
  return status::kOk;
}

int BinaryExpression::printCoded(int code, std::wstring& text) const {
  static const wchar_t* const kOpenings[] = {L"[==, ", L"[!=, ", L"[<, ",  L"[>, ",
                                             L"[<=, ", L"[>=, ", L"[&&, ", L"[||, "};
  std::wstring left;
  std::wstring right;
  int s = printOperand(left_, true, left);
  if (s < 0) return s;
  s = printOperand(right_, true, right);
  if (s < 0) return s;
  text = code >= kEqual && code <= kOr ? kOpenings[code - 1] : L"[notdefined, ";
  text += left;
  text += L", ";
  text += right;
  text += L"]";
  return status::kOk;
}

// Accessor rule of the arithmetic nodes: both operands read as numbers.
int BinaryExpression::readNumbers(double& left, double& right) const {
  if (!left_ || !right_) return status::kMissingOperand;
  int s = left_->getDouble(left);
  if (s < 0) return s;
  s = right_->getDouble(right);
  return s < 0 ? s : status::kOk;
}

// Accessor rule of the integer nodes: both operands read as 32-bit integers.
int BinaryExpression::readLongs(int32_t& left, int32_t& right) const {
  if (!left_ || !right_) return status::kMissingOperand;
  int s = left_->getLong(left);
  if (s < 0) return s;
  s = right_->getLong(right);
  return s < 0 ? s : status::kOk;
}

int BinaryExpression::longAsDouble(double& value) const {
  int32_t v = 0;
  const int s = getLong(v);
  if (s < 0) return s;
  value = v;
  return status::kOk;
}

// Reading rule of the comparisons and logical operators without building
// nodes: truth values first, then numbers, then texts.
int BinaryExpression::readTruth(Code code, bool& truth) const {
  if (!left_ || !right_) return status::kMissingOperand;
  if (code == kAnd || code == kOr) {
    bool l = false;
    int s = left_->getBool(l);
    if (s < 0) return s;
    if (l == (code == kOr)) {
      truth = l;
      return status::kOk;
    }
    s = right_->getBool(truth);
    return s < 0 ? s : status::kOk;
  }
  bool a = false;
  bool b = false;
  double x = 0;
  double y = 0;
  std::string s;
  std::string t;
  if (left_->getBool(a) >= 0 && right_->getBool(b) >= 0)
    return compareValues(code, BoolExpression(a), BoolExpression(b), truth);
  if (left_->getDouble(x) >= 0 && right_->getDouble(y) >= 0) return relate(code, x, y, truth);
  if (left_->getString(s) >= 0 && right_->getString(t) >= 0)
    return relate(code, std::strcmp(s.c_str(), t.c_str()), 0, truth);
  return status::kTypeError;
}

int BinaryExpression::truthAsBool(Code code, bool& value) const {
  bool truth = false;
  const int s = readTruth(code, truth);
  if (s < 0) return s;
  value = truth;
  return status::fromTruth(truth);
}

int BinaryExpression::truthAsDouble(Code code, double& value) const {
  bool truth = false;
  const int s = readTruth(code, truth);
  if (s < 0) return s;
  value = truth ? 1.0 : 0.0;
  return status::fromTruth(truth);
}

int BinaryExpression::truthAsLong(Code code, int32_t& value) const {
  bool truth = false;
  const int s = readTruth(code, truth);
  if (s < 0) return s;
  value = truth ? 1 : 0;
  return status::fromTruth(truth);
}

int BinaryExpression::truthAsString(Code code, std::string& text) const {
  bool truth = false;
  const int s = readTruth(code, truth);
  if (s < 0) return s;
  text.assign(1, truth ? '1' : '0');
  return status::fromTruth(truth);
}
