#include "StandinDataManager.h"

#include <mutex>

#include "WideText.h"

StandinDataManager::StandinDataManager() : id_("makora:DM?DataManager") {}
StandinDataManager::~StandinDataManager() = default;

const ID& StandinDataManager::getID() const {
  return id_;
}

template <class T>
int StandinDataManager::read(const ID& key, T& out) const {
  std::shared_lock lock(storeGuard_);
  auto it = store_.find(stdWide(key.getText()));
  if (it == store_.end()) return -1;
  const T* typed = std::get_if<T>(&it->second);
  if (typed == nullptr) return -1;
  out = *typed;
  return 0;
}

int StandinDataManager::readSet(const ID& key, BSet& value) {
  return read(key, value);
}
int StandinDataManager::readString(const ID& key, ACE_WString& value) {
  return read(key, value);
}
int StandinDataManager::readInteger(const ID& key, int& value) {
  return read(key, value);
}
int StandinDataManager::readFlag(const ID& key, bool& value) {
  return read(key, value);
}

void StandinDataManager::write(const ID& key, Value value) {
  std::unique_lock lock(storeGuard_);
  store_.insert_or_assign(stdWide(key.getText()), std::move(value));
}

void StandinDataManager::writeInteger(const ID& key, int value) {
  write(key, value);
}
void StandinDataManager::writeFlag(const ID& key, bool value) {
  write(key, value);
}
void StandinDataManager::writeString(const ID& key, const ACE_WString& value) {
  write(key, value);
}

void StandinDataManager::mergeSet(const ID& key, const BSet& entries) {
  std::unique_lock lock(storeGuard_);
  Value& slot = store_[stdWide(key.getText())];
  if (!std::holds_alternative<BSet>(slot)) slot = BSet();
  std::get<BSet>(slot).merge(entries);
}

void StandinDataManager::replaceWith(StandinDataManager& fresh,
                                     const std::vector<std::wstring>& kept) {
  std::unique_lock mine(storeGuard_, std::defer_lock);
  std::unique_lock theirs(fresh.storeGuard_, std::defer_lock);
  std::lock(mine, theirs);
  for (const std::wstring& prefix : kept)
    for (auto it = store_.lower_bound(prefix);
         it != store_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
      fresh.store_.try_emplace(it->first, std::move(it->second));
  store_.swap(fresh.store_);
}

void StandinDataManager::clear() {
  std::unique_lock lock(storeGuard_);
  store_.clear();
}
