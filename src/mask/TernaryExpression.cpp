#include "mask/TernaryExpression.h"

TernaryExpression::TernaryExpression(std::unique_ptr<Expression> first,
                                     std::unique_ptr<Expression> second,
                                     std::unique_ptr<Expression> third)
    : first_(std::move(first)), second_(std::move(second)), third_(std::move(third)) {
  assigns_ = mayAssign(first_) || mayAssign(second_) || mayAssign(third_);
}
