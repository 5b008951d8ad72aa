#include "BByteArray.h"

#include "WideText.h"

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

BByteArray::BByteArray() = default;
BByteArray::BByteArray(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}

// Pairs of hex digits, first digit high; stops at the first incomplete or foreign pair.
BByteArray::BByteArray(const char* hexText) {
  if (hexText == nullptr) return;
  for (const char* p = hexText; p[0] != '\0' && p[1] != '\0'; p += 2) {
    const int high = hexValue(p[0]);
    const int low = hexValue(p[1]);
    if (high < 0 || low < 0) break;
    bytes_.push_back(static_cast<unsigned char>(high * 16 + low));
  }
}

BByteArray::~BByteArray() = default;

int BByteArray::getString(ACE_WString& text) const {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring out;
  out.reserve(bytes_.size() * 2);
  for (unsigned char b : bytes_) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  text = aceWide(out);
  return 0;
}
