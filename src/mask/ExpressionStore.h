#pragma once

#include <ace/Functor_String.h>
#include <ace/Hash_Map_Manager_T.h>
#include <ace/Null_Mutex.h>
#include <ace/SString.h>

#include <functional>
#include <memory>
#include <string_view>

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
  Expression* find(const char* text) const;
  // Where the node bound under name is kept, or null. Entries are never
  // removed, only rebound, so a slot stays valid as long as the store.
  Expression* const* slot(const char* name) const;
  size_t size() const { return map_.current_size(); }

  // Parses from the cursor at a binding level (100 for a whole text) and
  // moves the cursor past what was read.
  int parse(TextCursor& cursor, Node& result, int level);

 private:
  // Every evaluation hashes its whole text and each variable name; ACE's
  // byte-at-a-time hash was most of the cost of a cached evaluation.
  struct TextHash {
    unsigned long operator()(const ACE_CString& key) const {
      return std::hash<std::string_view>{}(std::string_view(key.c_str(), key.length()));
    }
  };
  using Map = ACE_Hash_Map_Manager_Ex<ACE_CString, Expression*, TextHash, ACE_Equal_To<ACE_CString>,
                                      ACE_Null_Mutex>;

  Map map_;
};
