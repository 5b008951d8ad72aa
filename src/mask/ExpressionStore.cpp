#include "mask/ExpressionStore.h"

#include <cstring>
#include <utility>

#include "mask/Parser.h"
#include "mask/ValueExpression.h"

namespace {
// A fresh store's buckets; most hosts have a few dozen variables and masks.
constexpr size_t kInitialBuckets = 32;
// Entries per bucket on average before the map is rebuilt, and by how much
// it grows then: chains stay short, and n entries cost O(n) rebuilding in all.
constexpr size_t kMaxLoad = 2;
constexpr size_t kGrowth = 4;
}  // namespace

ExpressionStore::ExpressionStore() : map_(std::make_unique<Map>(kInitialBuckets)) {}

ExpressionStore::~ExpressionStore() {
  for (Expression* node : slots_) delete node;
  map_->close();
}

Expression** ExpressionStore::findSlot(const ACE_CString& text) const {
  Expression** found = nullptr;
  return map_->find(text, found) == 0 ? found : nullptr;
}

Expression** ExpressionStore::addSlot(const ACE_CString& text, Expression* node) {
  growIfCrowded();
  slots_.push_back(node);
  if (map_->bind(text, &slots_.back()) == 0) return &slots_.back();
  slots_.pop_back();
  return nullptr;
}

void ExpressionStore::growIfCrowded() {
  if (map_->current_size() < map_->total_size() * kMaxLoad) return;
  auto larger = std::make_unique<Map>(map_->total_size() * kGrowth);
  for (Map::iterator it = map_->begin(); it != map_->end(); ++it)
    if (larger->bind((*it).ext_id_, (*it).int_id_) != 0) return;  // keep the old one
  map_->close();
  map_ = std::move(larger);
}

int ExpressionStore::setVariable(const char* name, long value, int bitWidth) {
  if (name == nullptr) return status::kMissingOperand;
  // A mask value is 32 bits wide whatever the host's long is.
  const auto low = static_cast<int32_t>(static_cast<uint32_t>(value));
  rebind(name, std::make_unique<LongExpression>(low, bitWidth));
  return status::kOk;
}

Expression* const* ExpressionStore::slot(const char* name) const {
  return findSlot(key(name));
}

int ExpressionStore::rebind(const char* text, Node node) {
  if (!node) return status::kMissingOperand;
  const ACE_CString textKey = key(text);
  if (Expression** existing = findSlot(textKey)) {
    delete std::exchange(*existing, node.release());
    return status::kOk;
  }
  // The map keeps its own copy of a key it binds.
  if (addSlot(textKey, node.get()) == nullptr) return status::kUnsupported;
  node.release();
  return status::kOk;
}

// Cache rule: a text is parsed once; its tree (even an empty one) is kept
// under the exact text, and a failed parse leaves nothing behind.
int ExpressionStore::getExpression(const char* text, Expression*& tree) {
  tree = nullptr;
  if (text == nullptr) return status::kOk;
  const ACE_CString textKey = key(text);
  if (Expression** cached = findSlot(textKey)) {
    tree = *cached;
    return status::kOk;
  }
  TextCursor cursor{text, text + std::strlen(text)};
  Node root;
  const int s = Parser(*this).parse(cursor, root);
  if (s < 0) return s;
  if (addSlot(textKey, root.get()) == nullptr) return status::kUnsupported;
  tree = root.release();
  return status::kOk;
}
