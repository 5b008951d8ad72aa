#pragma once

#include <ace/SString.h>

#include <cstddef>
#include <string>

// The host's wide strings and the standard ones hold the same text; the
// standard form is what the services key their maps on.
inline std::wstring stdWide(const ACE_WString& text) {
  return std::wstring(text.c_str(), text.length());
}

inline ACE_WString aceWide(const std::wstring& text) {
  return ACE_WString(text.c_str(), text.size());
}

// Length of the valid UTF-8 sequence at text (available bytes), with its code
// point; 0 when none starts there (overlong, surrogate, beyond U+10FFFF, cut).
inline size_t utf8Length(const char* text, size_t available, char32_t& codePoint) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (length > available) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(i) & 0x3F);
  }
  static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (codePoint < kShortest[length] || codePoint > 0x10FFFF ||
      (codePoint >= 0xD800 && codePoint <= 0xDFFF))
    return 0;
  return length;
}
