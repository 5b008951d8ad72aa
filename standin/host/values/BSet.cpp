#include "BSet.h"

#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "WideText.h"

struct BSet::Impl {
  using Value = std::variant<long, double, ACE_WString, BByteArray>;
  struct Entry {
    ACE_WString name;
    Value value;
  };
  // Entries in the order their names were first stored; index_ maps a name to its slot.
  std::vector<Entry> entries;
  std::unordered_map<std::wstring, size_t> index;

  const Value* find(const ACE_WString& name) const {
    auto it = index.find(stdWide(name));
    return it == index.end() ? nullptr : &entries[it->second].value;
  }

  void store(const ACE_WString& name, Value value) {
    auto [it, inserted] = index.emplace(stdWide(name), entries.size());
    if (inserted)
      entries.push_back({name, std::move(value)});
    else
      entries[it->second].value = std::move(value);
  }

  template <class T>
  int read(const ACE_WString& name, T& out) const {
    const Value* value = find(name);
    const T* typed = value != nullptr ? std::get_if<T>(value) : nullptr;
    if (typed == nullptr) return -1;
    out = *typed;
    return 0;
  }
};

BSet::BSet(unsigned int capacityHint) : impl_(std::make_unique<Impl>()) {
  impl_->entries.reserve(capacityHint);
}

BSet::BSet(const BSet& other) : impl_(std::make_unique<Impl>(*other.impl_)) {}

BSet& BSet::operator=(const BSet& other) {
  if (this != &other) *impl_ = *other.impl_;
  return *this;
}

BSet::~BSet() = default;

int BSet::getInt(const ACE_WString& name, long& value) const {
  return impl_->read(name, value);
}
int BSet::getFloat(const ACE_WString& name, double& value) const {
  return impl_->read(name, value);
}
int BSet::getString(const ACE_WString& name, ACE_WString& value) const {
  return impl_->read(name, value);
}
int BSet::getByteArray(const ACE_WString& name, BByteArray& value) const {
  return impl_->read(name, value);
}

StringSet BSet::getAllKeys() const {
  StringSet keys;
  for (const Impl::Entry& entry : impl_->entries) keys.add(entry.name);
  return keys;
}

void BSet::setInt(const ACE_WString& name, long value) {
  impl_->store(name, value);
}
void BSet::setFloat(const ACE_WString& name, double value) {
  impl_->store(name, value);
}
void BSet::setString(const ACE_WString& name, const ACE_WString& value) {
  impl_->store(name, value);
}
void BSet::setByteArray(const ACE_WString& name, const BByteArray& value) {
  impl_->store(name, value);
}

void BSet::merge(const BSet& other) {
  if (this == &other) return;
  for (const Impl::Entry& entry : other.impl_->entries) impl_->store(entry.name, entry.value);
}

int BSet::size() const {
  return static_cast<int>(impl_->entries.size());
}
