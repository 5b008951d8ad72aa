#include "mask/SyntaxInterpreter.h"

#include <string>
#include <utility>

#include "mask/ExpressionStore.h"

SyntaxInterpreter::SyntaxInterpreter() : store_(std::make_unique<ExpressionStore>()) {}

SyntaxInterpreter::~SyntaxInterpreter() = default;

namespace {

// Every failure has a cause in words; where no node gave one, the status does.
int explained(int s) {
  static const std::pair<int, const char*> kCauses[] = {
      {status::kMissingOperand, "an operator has no operand"},
      {status::kUndefinedVariable, "a variable is not defined"},
      {status::kNoLogicalValue, "an operand of && or || gives no value"},
      {status::kTypeError, "an operand is of a kind its operator cannot take"},
  };
  if (s >= 0 || !mask::failure().empty()) return s;
  for (const auto& [code, cause] : kCauses)
    if (code == s) {
      mask::fail(cause);
      return s;
    }
  mask::fail("an operand gives no value (status " + std::to_string(s) + ")");
  return s;
}

}  // namespace

int SyntaxInterpreter::evaluate(const char* text, double& result) {
  mask::forgetFailure();
  const int s = store_->evaluate(text, result);
  return s < 0 ? explained(s) : s;
}

SyntaxInterpreter::Prepared SyntaxInterpreter::prepare(const char* text) {
  Prepared prepared;
  prepared.hasText_ = text != nullptr;
  if (text != nullptr) prepared.text_ = text;
  mask::TextMap::Entry* entry = nullptr;
  store_->prepare(text, entry);
  prepared.entry_ = entry;
  return prepared;
}

int SyntaxInterpreter::evaluate(const Prepared& mask, double& result) {
  if (mask.entry_ == nullptr) return evaluate(mask.hasText_ ? mask.text_.c_str() : nullptr, result);
  mask::forgetFailure();
  auto* entry = static_cast<mask::TextMap::Entry*>(const_cast<void*>(mask.entry_));
  const int s = store_->evaluate(*entry, result);
  return s < 0 ? explained(s) : s;
}
