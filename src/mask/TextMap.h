#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mask {

struct Binding;

// Text -> binding, read without a lock while one writer at a time adds. Entries
// are never removed; a binding is swapped whole, and the one it replaces is
// kept by its owner for readers that may still hold it. Growing builds a new
// bucket array beside the old one, which stays for readers still walking it.
class TextMap {
 public:
  struct Entry {
    Entry(std::string_view text, uint64_t textHash) : key(text), hash(textHash) {}
    const std::string key;
    const uint64_t hash;
    std::atomic<const Binding*> binding{nullptr};
  };

  TextMap();
  ~TextMap();
  TextMap(const TextMap&) = delete;
  TextMap& operator=(const TextMap&) = delete;

  static uint64_t hashOf(std::string_view text);
  // Lock-free.
  Entry* find(std::string_view text, uint64_t hash) const;
  // The writer's only: the caller serialises adds and knows text is not there.
  Entry* add(std::string_view text, uint64_t hash);
  size_t size() const { return entries_.size(); }

 private:
  struct Link {
    Entry* entry;
    const Link* next;
  };
  struct Table {
    explicit Table(size_t bucketCount);
    const size_t mask;
    std::unique_ptr<std::atomic<const Link*>[]> heads;
    std::deque<Link> links;
  };

  void link(Table& table, Entry* entry);
  void growIfCrowded();

  std::atomic<Table*> current_;
  // Every table built: readers may still walk an old one.
  std::vector<std::unique_ptr<Table>> tables_;
  std::deque<Entry> entries_;
};

}  // namespace mask
