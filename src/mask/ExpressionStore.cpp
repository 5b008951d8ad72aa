#include "mask/ExpressionStore.h"

#include <cstring>

#include "mask/Parser.h"
#include "mask/ValueExpression.h"

ExpressionStore::ExpressionStore() {
  map_.open(32);
}

ExpressionStore::~ExpressionStore() {
  for (Map::iterator it = map_.begin(); it != map_.end(); ++it) delete (*it).int_id_;
  map_.close();
}

int ExpressionStore::setVariable(const char* name, long value, int bitWidth) {
  if (name == nullptr) return status::kMissingOperand;
  // A mask value is 32 bits wide whatever the host's long is.
  const auto low = static_cast<int32_t>(static_cast<uint32_t>(value));
  rebind(name, std::make_unique<LongExpression>(low, bitWidth));
  return status::kOk;
}

Expression* const* ExpressionStore::slot(const char* name) const {
  ACE_Hash_Map_Entry<ACE_CString, Expression*>* entry = nullptr;
  return map_.find(key(name), entry) == 0 ? &entry->int_id_ : nullptr;
}

int ExpressionStore::rebind(const char* text, Node node) {
  if (!node) return status::kMissingOperand;
  Expression* old = nullptr;
  const int bound = map_.rebind(key(text), node.get(), old);
  if (bound < 0) return status::kUnsupported;
  node.release();
  if (bound == 1) delete old;
  return status::kOk;
}

// Cache rule: a text is parsed once; its tree (even an empty one) is kept
// under the exact text, and a failed parse leaves nothing behind.
int ExpressionStore::getExpression(const char* text, Expression*& tree) {
  tree = nullptr;
  if (text == nullptr) return status::kOk;
  const ACE_CString textKey = key(text);
  if (map_.find(textKey, tree) == 0) return status::kOk;
  TextCursor cursor{text, text + std::strlen(text)};
  Node root;
  const int s = Parser(*this).parse(cursor, root);
  if (s < 0) return s;
  if (map_.bind(textKey, root.get()) != 0) return status::kUnsupported;
  tree = root.release();
  return status::kOk;
}
