#pragma once

#include <ace/SString.h>

#include <map>
#include <shared_mutex>
#include <string>
#include <variant>
#include <vector>

#include "BSet.h"
#include "IDataManager.h"

// The data manager: one typed value per key. Reads and the host-side writes
// may come from any thread.
class HOST_API StandinDataManager : public IDataManager {
 public:
  StandinDataManager();
  ~StandinDataManager() override;

  int readSet(const ID& key, BSet& value) override;
  int readString(const ID& key, ACE_WString& value) override;
  int readInteger(const ID& key, int& value) override;
  int readFlag(const ID& key, bool& value) override;
  const ID& getID() const override;

  // Host side: store a value under key, replacing whatever was there.
  void writeInteger(const ID& key, int value);
  void writeFlag(const ID& key, bool value);
  void writeString(const ID& key, const ACE_WString& value);
  // Sets each entry of entries in the set under key, creating the set when the
  // key is absent or holds another type.
  void mergeSet(const ID& key, const BSet& entries);
  void clear();
  // Takes fresh's whole content in one step, so that a reader sees the old or the
  // new, never a mix; keys starting with one of `kept` that fresh lacks stay.
  void replaceWith(StandinDataManager& fresh, const std::vector<std::wstring>& kept);

 private:
  using Value = std::variant<int, bool, ACE_WString, BSet>;

  template <class T>
  int read(const ID& key, T& out) const;
  void write(const ID& key, Value value);

  const ID id_;
  // storeGuard_: shared by readers, exclusive for writers.
  mutable std::shared_mutex storeGuard_;
  std::map<std::wstring, Value> store_;
};
