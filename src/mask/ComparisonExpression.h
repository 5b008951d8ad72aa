#pragma once

#include "mask/BinaryExpression.h"
#include "mask/ValueExpression.h"

// The six comparisons: one rule keyed by the operator's code, a truth value
// as result (status 1 true, 2 false).
class ComparisonExpression : public BinaryExpression {
 public:
  enum Code { kEqual = 1, kDifferent, kLess, kGreater, kLessEqual, kGreaterEqual };

  ComparisonExpression(Code code, Node left, Node right);

  int evaluateLent(OperandValue& value, bool fold) override;

  int getString(std::string& text) const override;
  int getDouble(double& value) const override;
  int getLong(int32_t& value) const override;
  // Only == and != read as a truth value.
  int getBool(bool& value) const override;

 protected:
  int combine(const Expression& left, const Expression& right, Node& out) const override;
  bool printsMissingAsEmpty() const override { return true; }

  const Code code_;
  BoolExpression result_{false};

 private:
  int relateValues(const Expression& left, const Expression& right, bool& truth) const;
  int readTruth(bool& truth) const;
  template <class T>
  int readAs(T& value, T whenTrue, T whenFalse) const;
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
