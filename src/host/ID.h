#pragma once

#include <ace/SString.h>

#include "HostApi.h"

// Identifier of a host component or data item: "scheme:path?query#fragment".
class HOST_API ID {
 public:
  ID();
  ID(const char* text);  // NOLINT: identifiers are written as literals everywhere
  ID(const wchar_t* text);
  ID(const ACE_WString& text);
  ID(const ID&) = default;
  ID& operator=(const ID&) = default;
  ~ID();

  // Everything after the first '?', fragment included; empty when there is no '?'.
  int getFullQuery(ACE_WString& query) const;
  // Between the first '?' and the following '#'.
  int getQuery(ACE_WString& query) const;
  const ACE_WString& getText() const { return text_; }
  bool operator==(const ID& other) const;

 private:
  ACE_WString text_;
};
