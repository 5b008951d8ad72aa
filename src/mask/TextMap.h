#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
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

  // Every evaluation hashes its whole text: whole words, one multiply each, the
  // last word read overlapping the one before; mixed once at the end.
  static uint64_t hashOf(std::string_view text) {
    constexpr uint64_t kOdd = 0x9E3779B97F4A7C15u;
    const size_t n = text.size();
    const char* p = text.data();
    uint64_t h = n * kOdd;
    uint64_t word = 0;
    if (n < 8) {
      for (size_t i = 0; i < n; ++i) word = word << 8 | static_cast<unsigned char>(p[i]);
      h = (h ^ word) * kOdd;
    } else {
      for (size_t at = 0; at + 8 < n; at += 8) {
        std::memcpy(&word, p + at, 8);
        h = (h ^ word) * kOdd;
      }
      std::memcpy(&word, p + n - 8, 8);
      h = (h ^ word) * kOdd;
    }
    return h ^ (h >> 31);
  }
  // Lock-free.
  Entry* find(std::string_view text, uint64_t hash) const {
    const Table* table = current_.load(std::memory_order_acquire);
    for (const Link* l = table->heads[hash & table->mask].load(std::memory_order_acquire);
         l != nullptr; l = l->next)
      if (l->hash == hash && l->length == text.size() && equal(l->key, text.data(), l->length))
        return l->entry;
    return nullptr;
  }
  // The writer's only: the caller serialises adds and knows text is not there.
  Entry* add(std::string_view text, uint64_t hash);
  size_t size() const { return entries_.size(); }

 private:
  // Word by word: masks are a few dozen bytes, less than a library call costs.
  static bool equal(const char* a, const char* b, size_t n) {
    if (n < 8) return std::memcmp(a, b, n) == 0;
    uint64_t x = 0;
    uint64_t y = 0;
    for (size_t at = 0; at + 8 < n; at += 8) {
      std::memcpy(&x, a + at, 8);
      std::memcpy(&y, b + at, 8);
      if (x != y) return false;
    }
    std::memcpy(&x, a + n - 8, 8);
    std::memcpy(&y, b + n - 8, 8);
    return x == y;
  }

  // The entry's hash and key beside it: a lookup that misses, and one that
  // finds, read no more than the link and the key's bytes.
  struct Link {
    uint64_t hash;
    const char* key;
    size_t length;
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
