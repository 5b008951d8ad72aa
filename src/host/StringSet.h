#pragma once

#include <ace/SString.h>

#include <vector>

#include "HostApi.h"

// The names of a BSet's entries.
class HOST_API StringSet {
 public:
  StringSet();
  ~StringSet();
  int length() const;
  // 0 and the name when index is in range, non-zero otherwise.
  int getAt(int index, ACE_WString& name) const;
  void add(const ACE_WString& name);

 private:
  std::vector<ACE_WString> names_;
};
