#include "mask/ValueExpression.h"

#include <cstdio>

#include "mask/ValueConversion.h"
#include "platform/Platform.h"

int BoolExpression::toString(std::wstring& text) const {
  return status::answer(text, value_ ? L"true" : L"false");
}

void CharExpression::set(std::string text) {
  text_ = std::move(text);
  text_.resize(std::char_traits<char>::length(text_.c_str()));
}

int CharExpression::setString(const char* text) {
  return status::answer(text_, text != nullptr ? text : "");
}

// The text itself, without quotes.
int CharExpression::toString(std::wstring& text) const {
  return status::answer(text, Platform::ansiToWide(text_.c_str()));
}

int DoubleExpression::getLong(int32_t& value) const {
  return status::answer(value, mask::truncToInt32(value_));
}

// Right-aligned in 24 columns with 10 decimals; wider values are cut at 24.
int DoubleExpression::toString(std::wstring& text) const {
  char buffer[25];
  std::snprintf(buffer, sizeof(buffer), "%24.10f", value_);
  return status::answer(text, Platform::ansiToWide(buffer));
}

// Upper-case hexadecimal of the 32-bit pattern, no prefix: -1 is FFFFFFFF.
int LongExpression::getString(std::string& text) const {
  char buffer[16];
  std::snprintf(buffer, sizeof(buffer), "%X", static_cast<unsigned>(value_));
  return status::answer(text, buffer);
}

int LongExpression::setDouble(double value) {
  return status::answer(value_, mask::truncToInt32(value));
}

int LongExpression::toString(std::wstring& text) const {
  char buffer[16];
  std::snprintf(buffer, sizeof(buffer), "%d", value_);
  return status::answer(text, Platform::ansiToWide(buffer));
}
