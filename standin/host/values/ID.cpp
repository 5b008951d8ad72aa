#include "ID.h"

ID::ID() = default;

ID::ID(const char* text) {
  // Identifiers are ASCII; a byte above 127 keeps its code rather than failing.
  for (const char* c = text; c != nullptr && *c != '\0'; ++c)
    text_ += static_cast<wchar_t>(static_cast<unsigned char>(*c));
}

ID::ID(const wchar_t* text) : text_(text != nullptr ? text : L"") {}
ID::ID(const ACE_WString& text) : text_(text) {}
ID::~ID() = default;

// Query: everything after the first '?', the fragment included.
int ID::getFullQuery(ACE_WString& query) const {
  const ACE_WString::size_type q = text_.find(L'?');
  query = q == ACE_WString::npos ? ACE_WString() : text_.substring(q + 1);
  return 0;
}

// Query without fragment: up to the first '#' after the '?'.
int ID::getQuery(ACE_WString& query) const {
  ACE_WString full;
  getFullQuery(full);
  const ACE_WString::size_type hash = full.find(L'#');
  query = hash == ACE_WString::npos ? full : full.substring(0, hash);
  return 0;
}

bool ID::operator==(const ID& other) const {
  return text_ == other.text_;
}
