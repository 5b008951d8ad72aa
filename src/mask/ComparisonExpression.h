#pragma once

#include <type_traits>

#include "mask/BinaryExpression.h"

// The six comparisons: one rule keyed by the operator's code, a truth value
// as result (status 1 true, 2 false).
class ComparisonExpression : public ReadsAlike<ComparisonExpression, BinaryExpression> {
 public:
  enum Code { kEqual = 1, kDifferent, kLess, kGreater, kLessEqual, kGreaterEqual };

  ComparisonExpression(Code code, Node left, Node right);

  mask::Program::Code operation() const override {
    return static_cast<mask::Program::Code>(static_cast<int>(mask::Program::kEqual) + code_ -
                                            kEqual);
  }

  // Accessor rule: the truth as the accessor's kind ("1"/"0" for a text);
  // only == and != read as a truth value.
  template <class T>
  int read(int (Expression::*)(T&) const, T& value) const {
    if (std::is_same_v<T, bool> && code_ != kEqual && code_ != kDifferent)
      return status::kUnsupported;
    bool truth = false;
    const int s = readTruth(truth);
    if (s < 0) return s;
    if constexpr (std::is_same_v<T, std::string>)
      value.assign(1, truth ? '1' : '0');
    else
      value = truth;
    return status::fromTruth(truth);
  }

 protected:
  bool printsMissingAsEmpty() const override { return true; }

 private:
  int readTruth(bool& truth) const;

  const Code code_;
};

class EqualityExpression final
    : public Operator<EqualityExpression, ComparisonExpression, ComparisonExpression::kEqual> {
 public:
  using Operator::Operator;
};

class DifferentExpression final
    : public Operator<DifferentExpression, ComparisonExpression, ComparisonExpression::kDifferent> {
 public:
  using Operator::Operator;
};

class LessExpression final
    : public Operator<LessExpression, ComparisonExpression, ComparisonExpression::kLess> {
 public:
  using Operator::Operator;
};

class GreaterExpression final
    : public Operator<GreaterExpression, ComparisonExpression, ComparisonExpression::kGreater> {
 public:
  using Operator::Operator;
};

class LessEqualExpression final
    : public Operator<LessEqualExpression, ComparisonExpression, ComparisonExpression::kLessEqual> {
 public:
  using Operator::Operator;
};

class GreaterEqualExpression final : public Operator<GreaterEqualExpression, ComparisonExpression,
                                                     ComparisonExpression::kGreaterEqual> {
 public:
  using Operator::Operator;
};
