#pragma once

#include "mask/NonTerminalExpression.h"

// An operator over three owned operands; the last may be absent.
class TernaryExpression : public NonTerminalExpression {
 public:
  TernaryExpression(std::unique_ptr<Expression> first, std::unique_ptr<Expression> second,
                    std::unique_ptr<Expression> third);

  const Expression* getFirst() const { return first_.get(); }
  const Expression* getSecond() const { return second_.get(); }
  const Expression* getThird() const { return third_.get(); }

 protected:
  std::unique_ptr<Expression> first_;
  std::unique_ptr<Expression> second_;
  std::unique_ptr<Expression> third_;
};
