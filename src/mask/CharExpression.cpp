#include "mask/CharExpression.h"

#include "platform/Platform.h"

CharExpression::CharExpression(std::string text)
    : ValueExpression(kind::kChar), text_(std::move(text)) {
  text_.resize(std::char_traits<char>::length(text_.c_str()));
}

std::unique_ptr<Expression> CharExpression::clone() const {
  return std::make_unique<CharExpression>(text_);
}

int CharExpression::getString(std::string& text) const {
  text = text_;
  return status::kOk;
}

int CharExpression::setBool(bool) {
  return status::kUnsupported;
}

int CharExpression::setString(const char* text) {
  text_ = text != nullptr ? text : "";
  return status::kOk;
}

int CharExpression::setLong(int32_t) {
  return status::kUnsupported;
}
int CharExpression::setDouble(double) {
  return status::kUnsupported;
}

// The text itself, without quotes.
int CharExpression::toString(std::wstring& text) const {
  text = Platform::ansiToWide(text_.c_str());
  return status::kOk;
}
