#pragma once

#include <string>

#include "mask/TerminalExpression.h"

// A constant: evaluating it gives a copy of itself, always constant. Each
// value kind accepts only the setters that keep its kind; the others answer -3.
class ValueExpression : public TerminalExpression {
 public:
  using TerminalExpression::TerminalExpression;

  bool isValue() const override { return true; }
  int evaluate(Node& out, bool fold) override;

  int setBool(bool) override { return status::kUnsupported; }
  int setString(const char*) override { return status::kUnsupported; }
  int setLong(int32_t) override { return status::kUnsupported; }
  int setDouble(double) override { return status::kUnsupported; }
};

// A truth value. Its numeric readings answer 1 for true and 2 for false.
class BoolExpression final : public ValueExpression {
 public:
  explicit BoolExpression(bool value) : ValueExpression(kind::kBool), value_(value) {}

  bool value() const { return value_; }

  Node clone() const override { return std::make_unique<BoolExpression>(value_); }
  int getDouble(double& value) const override { return answer(value, value_ ? 1.0 : 0.0); }
  int getBool(bool& value) const override { return answer(value, value_); }
  int getLong(int32_t& value) const override { return answer(value, value_ ? 1 : 0); }
  int setBool(bool value) override { return status::answer(value_, value); }
  int toString(std::wstring& text) const override;

 private:
  template <class T>
  int answer(T& out, T value) const {
    return status::answer(out, value, status::fromTruth(value_));
  }

  bool value_;
};

// A text value (a whole string). Texts are NUL-terminated in the language, so
// a text is cut at its first NUL byte.
class CharExpression final : public ValueExpression {
 public:
  explicit CharExpression(std::string text);

  const std::string& text() const { return text_; }

  Node clone() const override { return std::make_unique<CharExpression>(text_); }
  int getString(std::string& text) const override { return status::answer(text, text_); }
  int setString(const char* text) override;
  int toString(std::wstring& text) const override;

 private:
  std::string text_;
};

// A real number.
class DoubleExpression final : public ValueExpression {
 public:
  explicit DoubleExpression(double value) : ValueExpression(kind::kDouble), value_(value) {}

  double value() const { return value_; }

  Node clone() const override { return std::make_unique<DoubleExpression>(value_); }
  int getDouble(double& value) const override { return status::answer(value, value_); }
  int getLong(int32_t& value) const override;
  int setLong(int32_t value) override { return status::answer(value_, value); }
  int setDouble(double value) override { return status::answer(value_, value); }
  int toString(std::wstring& text) const override;

 private:
  double value_;
};

// A 32-bit integer. bitWidth is the number of significant bits, which only
// $HexaToString$ reads: 32 for literals, 0 for variables loaded from the host.
class LongExpression final : public ValueExpression {
 public:
  explicit LongExpression(int32_t value, int32_t bitWidth = 32)
      : ValueExpression(kind::kLong), value_(value), bitWidth_(bitWidth) {}

  int32_t value() const { return value_; }
  int32_t bitWidth() const { return bitWidth_; }

  Node clone() const override { return std::make_unique<LongExpression>(value_, bitWidth_); }
  int getString(std::string& text) const override;
  int getDouble(double& value) const override { return status::answer(value, value_); }
  int getLong(int32_t& value) const override { return status::answer(value, value_); }
  int setLong(int32_t value) override { return status::answer(value_, value); }
  int setDouble(double value) override;
  int toString(std::wstring& text) const override;

 private:
  int32_t value_;
  int32_t bitWidth_;
};
