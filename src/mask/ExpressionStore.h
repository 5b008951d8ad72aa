#pragma once

#include <ace/Functor_String.h>
#include <ace/Hash_Map_Manager_T.h>
#include <ace/Null_Mutex.h>
#include <ace/SString.h>

#include <cstring>
#include <deque>
#include <memory>

#include "mask/Expression.h"
#include "mask/Tokenizer.h"

// The interpreter's one map from 8-bit text to node. It holds the variables
// (name -> value node) and every expression text seen (text -> parsed tree, or
// the value once the text has proved constant). The store owns every node.
// It has no lock: its interpreter serialises all use (one thread at a time).
class ExpressionStore {
 public:
  ExpressionStore();
  virtual ~ExpressionStore();
  ExpressionStore(const ExpressionStore&) = delete;
  ExpressionStore& operator=(const ExpressionStore&) = delete;

  // Binds a fresh integer under name, replacing any earlier node. The value
  // keeps its low 32 bits.
  int setVariable(const char* name, long value, int bitWidth);
  // The node cached for text; otherwise text is parsed and its tree cached
  // (also an empty tree). A failed parse caches nothing. The node stays the store's.
  int getExpression(const char* text, Expression*& tree);
  // Binds node under text, deleting a node already there; null gives -4.
  int rebind(const char* text, Node node);
  // The node bound under text, or null.
  Expression* find(const char* text) const {
    Expression* const* node = slot(text);
    return node != nullptr ? *node : nullptr;
  }
  // Where the node bound under name is kept, or null. Entries are never
  // removed, only rebound, so a slot stays valid as long as the store.
  Expression* const* slot(const char* name) const;
  size_t size() const { return slots_.size(); }

 private:
  // Every evaluation hashes its whole text: whole words, one multiply each,
  // and the last word read overlapping the one before, not byte by byte.
  struct TextHash {
    unsigned long operator()(const ACE_CString& key) const {
      const size_t n = key.length();
      uint64_t h = n;
      const auto mix = [&h](const char* at, size_t size) {
        uint64_t word = 0;
        std::memcpy(&word, at, size);
        h = (h ^ word) * 0x9E3779B97F4A7C15u;
        h ^= h >> 29;
      };
      if (n < 8) {
        for (size_t i = 0; i < n; ++i) mix(key.c_str() + i, 1);
        return static_cast<unsigned long>(h);
      }
      for (size_t at = 0; at + 8 < n; at += 8) mix(key.c_str() + at, 8);
      mix(key.c_str() + n - 8, 8);
      return static_cast<unsigned long>(h);
    }
  };
  // Text -> slot. The map holds no nodes itself, so that it can be rebuilt
  // larger without moving a slot a variable node points to.
  using Map = ACE_Hash_Map_Manager_Ex<ACE_CString, Expression**, TextHash,
                                      ACE_Equal_To<ACE_CString>, ACE_Null_Mutex>;

  Expression** findSlot(const ACE_CString& text) const;
  // A new slot holding node under text; null when the map refuses it.
  Expression** addSlot(const ACE_CString& text, Expression* node);
  // ACE's map never grows its buckets: without this, a host with many
  // thousand variables made every lookup walk a long chain.
  void growIfCrowded();

  // A key over the caller's bytes: a lookup copies nothing. The allocator is
  // passed, so that the key does not ask ACE for its default one each time.
  ACE_CString key(const char* text) const { return ACE_CString(text, allocator_, false); }

  ACE_Allocator* const allocator_ = ACE_Allocator::instance();
  std::unique_ptr<Map> map_;
  // The nodes, each in a slot of its own; a deque keeps slots in place as it grows.
  std::deque<Expression*> slots_;
};
