#pragma once

#include <string>

#include "mask/TerminalExpression.h"
#include "mask/ValueConversion.h"

// A constant value.
class ValueExpression : public TerminalExpression {
 public:
  using TerminalExpression::TerminalExpression;
};

// What the value classes over one number or truth value write alike.
template <class Self, class T, int32_t K>
class ScalarExpression : public ValueExpression {
 public:
  static constexpr int32_t kKind = K;
  explicit ScalarExpression(T value) : ValueExpression(K), value_(value) {}

  T value() const { return value_; }
  void set(T value) { value_ = value; }
  Node clone() const override { return std::make_unique<Self>(value_); }

 protected:
  T value_;
};

// A truth value. Its numeric readings answer 1 for true and 2 for false.
class BoolExpression final : public ScalarExpression<BoolExpression, bool, kind::kBool> {
 public:
  using ScalarExpression::ScalarExpression;

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
};

// A text value (a whole string). Texts are NUL-terminated in the language, so
// a text is cut at its first NUL byte.
class CharExpression final : public ValueExpression {
 public:
  static constexpr int32_t kKind = kind::kChar;
  explicit CharExpression(std::string text) : ValueExpression(kKind) { set(std::move(text)); }

  const std::string& text() const { return text_; }
  void set(std::string text);

  Node clone() const override { return std::make_unique<CharExpression>(text_); }
  int getString(std::string& text) const override { return status::answer(text, text_); }
  int setString(const char* text) override;
  int toString(std::wstring& text) const override;

 private:
  std::string text_;
};

// A real number.
class DoubleExpression final : public ScalarExpression<DoubleExpression, double, kind::kDouble> {
 public:
  using ScalarExpression::ScalarExpression;

  int getDouble(double& value) const override { return status::answer(value, value_); }
  int getLong(int32_t& value) const override;
  int setLong(int32_t value) override { return status::answer(value_, value); }
  int setDouble(double value) override { return status::answer(value_, value); }
  int toString(std::wstring& text) const override;
};

// A 32-bit integer. bitWidth is the number of significant bits, which only
// $HexaToString$ reads: 32 for literals, 0 for variables loaded from the host.
class LongExpression final : public ScalarExpression<LongExpression, int32_t, kind::kLong> {
 public:
  explicit LongExpression(int32_t value, int32_t bitWidth = 32)
      : ScalarExpression(value), bitWidth_(bitWidth) {}

  int32_t bitWidth() const { return bitWidth_; }
  void set(int32_t value, int32_t bitWidth) {
    value_ = value;
    bitWidth_ = bitWidth;
  }

  Node clone() const override { return std::make_unique<LongExpression>(value_, bitWidth_); }
  int getString(std::string& text) const override;
  int getDouble(double& value) const override { return status::answer(value, value_); }
  int getLong(int32_t& value) const override { return status::answer(value, value_); }
  int setLong(int32_t value) override { return status::answer(value_, value); }
  int setDouble(double value) override;
  int toString(std::wstring& text) const override;

 private:
  int32_t bitWidth_;
};
