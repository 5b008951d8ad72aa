#pragma once

#include "mask/NonTerminalExpression.h"

// An operator over two owned operands. Holds the evaluation routines that
// several operators share: the arithmetic protocol, the comparisons and the
// logical operators, each comparison and logical operator named by its code.
class BinaryExpression : public NonTerminalExpression {
 public:
  BinaryExpression(std::unique_ptr<Expression> left, std::unique_ptr<Expression> right);

  const Expression* getLeft() const { return left_.get(); }
  const Expression* getRight() const { return right_.get(); }

  // The code of each comparison and logical operator.
  enum Code {
    kEqual = 1,
    kDifferent = 2,
    kLess = 3,
    kGreater = 4,
    kLessEqual = 5,
    kGreaterEqual = 6,
    kAnd = 7,
    kOr = 8
  };

 protected:
  // The operator over two values; kinds it does not take give -2.
  virtual int combine(const Expression& left, const Expression& right,
                      std::unique_ptr<Expression>& out) const;

  int evaluateBinary(std::unique_ptr<Expression>& out, bool fold);
  int evaluateLogical(Code code, std::unique_ptr<Expression>& out, bool fold);
  static int compare(Code code, const Expression& left, const Expression& right,
                     std::unique_ptr<Expression>& out);
  // The truth of a comparison of two values, status 0, or -2 for a foreign pairing.
  static int compareValues(Code code, const Expression& left, const Expression& right, bool& truth);

  // opening, left, ", ", right, "]"; a missing operand gives -4.
  int printBinary(const wchar_t* opening, std::wstring& text) const;
  // The same for a comparison or logical operator; a missing operand prints as nothing.
  int printCoded(int code, std::wstring& text) const;

  // Accessors of the operator nodes, computed from the operands' accessors.
  int readNumbers(double& left, double& right) const;
  int readLongs(int32_t& left, int32_t& right) const;
  // getDouble of an operator whose value is always an integer: its getLong, widened.
  int longAsDouble(double& value) const;
  int readTruth(Code code, bool& truth) const;
  int truthAsBool(Code code, bool& value) const;
  int truthAsDouble(Code code, double& value) const;
  int truthAsLong(Code code, int32_t& value) const;
  int truthAsString(Code code, std::string& text) const;

  std::unique_ptr<Expression> left_;
  std::unique_ptr<Expression> right_;
};
