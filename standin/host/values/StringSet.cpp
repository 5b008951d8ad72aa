#include "StringSet.h"

StringSet::StringSet() = default;
StringSet::~StringSet() = default;

int StringSet::length() const {
  return static_cast<int>(names_.size());
}

int StringSet::getAt(int index, ACE_WString& name) const {
  if (index < 0 || index >= length()) return -1;
  name = names_[static_cast<size_t>(index)];
  return 0;
}

void StringSet::add(const ACE_WString& name) {
  names_.push_back(name);
}
