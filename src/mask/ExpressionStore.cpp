#include "mask/ExpressionStore.h"

#include <ace/Guard_T.h>

#include <cstring>

#include "mask/Compiler.h"
#include "mask/Parser.h"
#include "mask/ValueConversion.h"
#include "mask/ValueExpression.h"

using mask::Binding;
using mask::Program;
using mask::Slot;
using mask::Value;

namespace {

std::atomic<uint64_t> gLastStoreId{0};

// A thread's snapshots of the stores it evaluated with lately. What the
// evaluation reads is plain data, so that reaching it costs no call; the
// references that keep the snapshots alive sit beside it.
struct Reader {
  uint64_t store;
  uint64_t version;
  const void* snapshot;
};
// A thread rarely evaluates with more than one or two stores.
constexpr size_t kReadersPerThread = 4;
thread_local Reader tReaders[kReadersPerThread];
thread_local std::shared_ptr<const void> tHeld[kReadersPerThread];
thread_local size_t tNextReader = 0;

Value valueOf(const Expression& node) {
  Value v;
  v.kind = node.getKind();
  std::string text;
  if (node.getString(text) >= 0) v.text = text;
  double real = 0;
  switch (v.kind) {
    case kind::kLong:
      v.bitWidth = static_cast<const LongExpression&>(node).bitWidth();
      node.getLong(v.integer);
      break;
    case kind::kDouble:
      node.getDouble(real);
      v.real = real;
      break;
    case kind::kBool:
      node.getBool(v.truth);
      break;
  }
  if (v.kind != kind::kChar) v.text.clear();
  return v;
}

int notANumber(int32_t valueKind) {
  mask::fail(std::string("the value is a ") + mask::kindName(valueKind) + ", not a number");
  return status::kUnsupported;
}

// The numeric reading of a result, with the reason when there is none.
inline int report(const Slot& value, double& result) {
  const int read = mask::readDouble(value, result);
  return read < 0 ? notANumber(value.kind) : read;
}

}  // namespace

ExpressionStore::ExpressionStore()
    : id_(gLastStoreId.fetch_add(1) + 1),
      published_(std::make_shared<const Snapshot>(1, std::vector<Value>())) {}

ExpressionStore::Snapshot::Snapshot(uint64_t at, std::vector<Value> copy)
    : version(at), values(std::move(copy)) {
  views.reserve(values.size());
  for (const Value& value : values) views.push_back(mask::viewOf(value));
}

ExpressionStore::~ExpressionStore() = default;

int ExpressionStore::setVariable(const char* name, long value, int bitWidth) {
  if (name == nullptr) return status::kMissingOperand;
  ACE_Guard<ACE_Thread_Mutex> guard(writerLock_);
  // A mask value is 32 bits wide whatever the host's long is.
  bindVariable(name, Value::ofLong(static_cast<int32_t>(static_cast<uint32_t>(value)), bitWidth));
  version_.fetch_add(1, std::memory_order_release);
  return status::kOk;
}

int ExpressionStore::setVariables(const std::vector<std::pair<std::string, long>>& values,
                                  int bitWidth) {
  ACE_Guard<ACE_Thread_Mutex> guard(writerLock_);
  for (const auto& [name, value] : values)
    bindVariable(name, Value::ofLong(static_cast<int32_t>(static_cast<uint32_t>(value)), bitWidth));
  version_.fetch_add(1, std::memory_order_release);
  return status::kOk;
}

void ExpressionStore::bindVariable(const std::string& name, Value value) {
  const uint64_t hash = mask::TextMap::hashOf(name);
  mask::TextMap::Entry* entry = map_.find(name, hash);
  const Binding* bound =
      entry != nullptr ? entry->binding.load(std::memory_order_relaxed) : nullptr;
  if (bound != nullptr && bound->kind == Binding::kVariable) {
    staged_[static_cast<size_t>(bound->slot)] = std::move(value);
    return;
  }
  auto binding = std::make_unique<Binding>();
  binding->kind = Binding::kVariable;
  binding->slot = static_cast<int32_t>(staged_.size());
  staged_.push_back(std::move(value));
  if (entry == nullptr) entry = map_.add(name, hash);
  rebind(*entry, std::move(binding));
}

void ExpressionStore::rebind(mask::TextMap::Entry& entry, std::unique_ptr<Binding> binding) {
  entry.binding.store(binding.get(), std::memory_order_release);
  bindings_.push_back(std::move(binding));
}

const Binding* ExpressionStore::find(const char* text) const {
  const std::string_view key(text);
  const mask::TextMap::Entry* entry = map_.find(key, mask::TextMap::hashOf(key));
  return entry != nullptr ? entry->binding.load(std::memory_order_acquire) : nullptr;
}

int32_t ExpressionStore::variableSlot(const std::string& name) const {
  const Binding* bound = find(name.c_str());
  if (bound == nullptr) return kNotBound;
  return bound->kind == Binding::kVariable ? bound->slot : kNotVariable;
}

Node ExpressionStore::variableNode(const std::string& name) const {
  const int32_t slot = variableSlot(name);
  if (slot < 0) return nullptr;
  ACE_Guard<ACE_Thread_Mutex> guard(writerLock_);
  const Value& v = staged_[static_cast<size_t>(slot)];
  switch (v.kind) {
    case kind::kLong:
      return std::make_unique<LongExpression>(v.integer, v.bitWidth);
    case kind::kDouble:
      return std::make_unique<DoubleExpression>(v.real);
    case kind::kBool:
      return std::make_unique<BoolExpression>(v.truth);
    default:
      return std::make_unique<CharExpression>(v.text);
  }
}

int ExpressionStore::assign(const std::string& name, const Expression& value) {
  if (variableSlot(name) < 0) return status::kUndefinedVariable;
  if (!value.holdsValue()) return status::kTypeError;
  ACE_Guard<ACE_Thread_Mutex> guard(writerLock_);
  bindVariable(name, valueOf(value));
  version_.fetch_add(1, std::memory_order_release);
  return status::kOk;
}

int ExpressionStore::parse(const char* text, Node& tree) {
  tree.reset();
  if (text == nullptr) return status::kOk;
  TextCursor cursor{text, text + std::strlen(text)};
  return Parser(*this).parse(cursor, tree);
}

int ExpressionStore::evaluateTree(const Expression* tree, Value& value) {
  const std::unique_ptr<Program> program = mask::Compiler(*this).compile(tree);
  if (program->empty()) return status::kOk;
  Slot out;
  const int s = run(*program, out);
  if (s >= 0) value = mask::ownedCopy(out);
  return s;
}

// Cache rule: a text is parsed and compiled once; its program (even an empty
// one) is kept under the exact text, and a failed parse leaves nothing behind.
int ExpressionStore::compile(std::string_view key, uint64_t hash, mask::TextMap::Entry*& entry,
                             const Binding*& binding) {
  ACE_Guard<ACE_Thread_Mutex> guard(writerLock_);
  entry = map_.find(key, hash);
  if (entry != nullptr) {
    binding = entry->binding.load(std::memory_order_relaxed);
    return status::kOk;
  }
  Node tree;
  TextCursor cursor{key.data(), key.data() + key.size()};
  const int s = Parser(*this).parse(cursor, tree);
  if (s < 0) return s;
  auto compiled = std::make_unique<Binding>();
  compiled->kind = Binding::kProgram;
  compiled->program = mask::Compiler(*this).compile(tree.get());
  binding = compiled.get();
  entry = map_.add(key, hash);
  rebind(*entry, std::move(compiled));
  return status::kOk;
}

const ExpressionStore::Snapshot& ExpressionStore::variables(int32_t highestSlot) {
  const uint64_t version = version_.load(std::memory_order_acquire);
  for (const Reader& reader : tReaders)
    if (reader.store == id_ && reader.version == version) {
      const auto& snapshot = *static_cast<const Snapshot*>(reader.snapshot);
      if (highestSlot < static_cast<int32_t>(snapshot.views.size())) return snapshot;
    }
  return refresh();
}

const ExpressionStore::Snapshot& ExpressionStore::refresh() {
  std::shared_ptr<const Snapshot> snapshot;
  {
    ACE_Guard<ACE_Thread_Mutex> guard(writerLock_);
    const uint64_t version = version_.load(std::memory_order_relaxed);
    if (published_->version != version)
      published_ = std::make_shared<const Snapshot>(version, staged_);
    snapshot = published_;
  }
  size_t at = tNextReader++ % kReadersPerThread;
  for (size_t i = 0; i < kReadersPerThread; ++i)
    if (tReaders[i].store == id_) at = i;
  tReaders[at] = {id_, snapshot->version, snapshot.get()};
  // The snapshot this replaces may be the last reference to an old one: freed here, unlocked.
  tHeld[at] = std::move(snapshot);
  return *static_cast<const Snapshot*>(tReaders[at].snapshot);
}

inline int ExpressionStore::run(const Program& program, Slot& out) {
  if (!program.assigns()) {
    const Snapshot& snapshot = variables(program.highestSlot());
    if (program.highestSlot() >= static_cast<int32_t>(snapshot.views.size()))
      return status::kUndefinedVariable;
    return program.run({snapshot.views.data(), nullptr}, out);
  }
  // A program that assigns works on the writer's variables, one at a time.
  ACE_Guard<ACE_Thread_Mutex> guard(writerLock_);
  const int s = program.run({nullptr, staged_.data()}, out);
  version_.fetch_add(1, std::memory_order_release);
  return s;
}

// Evaluation rule: a text bound to a value (a variable, or a text found
// constant) reads it; otherwise its program runs, and a constant result
// replaces the program, so that the text is never evaluated again.
int ExpressionStore::evaluate(const char* text, double& result) {
  if (text == nullptr) return status::kOk;
  const std::string_view key(text);
  const uint64_t hash = mask::TextMap::hashOf(key);
  mask::TextMap::Entry* entry = map_.find(key, hash);
  const Binding* binding =
      entry != nullptr ? entry->binding.load(std::memory_order_acquire) : nullptr;
  if (binding == nullptr) {
    const int s = compile(key, hash, entry, binding);
    if (s < 0) return s;
  }
  return evaluateBinding(*entry, *binding, result);
}

int ExpressionStore::prepare(const char* text, mask::TextMap::Entry*& entry) {
  entry = nullptr;
  if (text == nullptr) return status::kOk;
  const std::string_view key(text);
  const uint64_t hash = mask::TextMap::hashOf(key);
  entry = map_.find(key, hash);
  if (entry != nullptr && entry->binding.load(std::memory_order_acquire) != nullptr)
    return status::kOk;
  const Binding* binding = nullptr;
  const int s = compile(key, hash, entry, binding);
  if (s < 0) entry = nullptr;
  return s < 0 ? s : status::kOk;
}

int ExpressionStore::evaluate(mask::TextMap::Entry& entry, double& result) {
  return evaluateBinding(entry, *entry.binding.load(std::memory_order_acquire), result);
}

int ExpressionStore::evaluateBinding(mask::TextMap::Entry& entry, const Binding& binding,
                                     double& result) {
  if (binding.kind == Binding::kConstant) return report(mask::viewOf(binding.constant), result);
  if (binding.kind == Binding::kVariable) {
    const Snapshot& snapshot = variables(binding.slot);
    if (binding.slot >= static_cast<int32_t>(snapshot.views.size()))
      return status::kUndefinedVariable;
    return report(snapshot.views[static_cast<size_t>(binding.slot)], result);
  }
  const Program& program = *binding.program;
  if (program.empty()) return status::kOk;
  Slot out;
  const int s = run(program, out);
  if (s < 0) return s;
  const int read = report(out, result);
  if (s == status::kConstant) {
    auto constant = std::make_unique<Binding>();
    constant->kind = Binding::kConstant;
    constant->constant = mask::ownedCopy(out);
    ACE_Guard<ACE_Thread_Mutex> guard(writerLock_);
    if (entry.binding.load(std::memory_order_relaxed) == &binding)
      rebind(entry, std::move(constant));
  }
  return read;
}
