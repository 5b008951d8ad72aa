#pragma once

#include <ace/SString.h>

#include <memory>

#include "BByteArray.h"
#include "HostApi.h"
#include "StringSet.h"

// A set of named, typed entries. A read of an absent entry, or of one stored
// with another type, returns non-zero and leaves the out value unchanged.
class HOST_API BSet {
 public:
  explicit BSet(unsigned int capacityHint = 0);
  BSet(const BSet& other);
  BSet& operator=(const BSet& other);
  ~BSet();

  int getInt(const ACE_WString& name, long& value) const;
  int getFloat(const ACE_WString& name, double& value) const;
  int getString(const ACE_WString& name, ACE_WString& value) const;
  int getByteArray(const ACE_WString& name, BByteArray& value) const;
  // Entry names in the order they were first stored.
  StringSet getAllKeys() const;

  // Host side: store an entry, replacing any entry of that name.
  void setInt(const ACE_WString& name, long value);
  void setFloat(const ACE_WString& name, double value);
  void setString(const ACE_WString& name, const ACE_WString& value);
  void setByteArray(const ACE_WString& name, const BByteArray& value);
  void merge(const BSet& other);
  int size() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
