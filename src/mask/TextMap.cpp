#include "mask/TextMap.h"

namespace mask {

namespace {
// A fresh map's buckets; most hosts have a few dozen variables and masks.
constexpr size_t kInitialBuckets = 64;
// Entries per bucket on average before the map grows, and by how much: chains
// stay short, and all the tables ever built hold at most 4/3 of the last one.
constexpr size_t kMaxLoad = 2;
constexpr size_t kGrowth = 4;
}  // namespace

TextMap::Table::Table(size_t bucketCount)
    : mask(bucketCount - 1), heads(new std::atomic<const Link*>[bucketCount]) {
  for (size_t i = 0; i < bucketCount; ++i) heads[i].store(nullptr, std::memory_order_relaxed);
}

TextMap::TextMap() {
  tables_.push_back(std::make_unique<Table>(kInitialBuckets));
  current_.store(tables_.back().get(), std::memory_order_release);
}

TextMap::~TextMap() = default;

void TextMap::link(Table& table, Entry* entry) {
  std::atomic<const Link*>& head = table.heads[entry->hash & table.mask];
  table.links.push_back({entry->hash, entry->key.data(), entry->key.size(), entry,
                         head.load(std::memory_order_relaxed)});
  head.store(&table.links.back(), std::memory_order_release);
}

TextMap::Entry* TextMap::add(std::string_view text, uint64_t hash) {
  growIfCrowded();
  entries_.emplace_back(text, hash);
  link(*tables_.back(), &entries_.back());
  return &entries_.back();
}

void TextMap::growIfCrowded() {
  Table& table = *tables_.back();
  if (entries_.size() < (table.mask + 1) * kMaxLoad) return;
  auto larger = std::make_unique<Table>((table.mask + 1) * kGrowth);
  for (Entry& entry : entries_) link(*larger, &entry);
  tables_.push_back(std::move(larger));
  current_.store(tables_.back().get(), std::memory_order_release);
}

}  // namespace mask
