#pragma once

#include <string>

#include "mask/ValueExpression.h"

// A text value (a whole string). Texts are NUL-terminated in the language, so
// a text is cut at its first NUL byte.
class CharExpression : public ValueExpression {
 public:
  explicit CharExpression(std::string text);

  const std::string& text() const { return text_; }

  std::unique_ptr<Expression> clone() const override;
  int getString(std::string& text) const override;
  int setBool(bool value) override;
  int setString(const char* text) override;
  int setLong(int32_t value) override;
  int setDouble(double value) override;
  int toString(std::wstring& text) const override;

 private:
  std::string text_;
};
