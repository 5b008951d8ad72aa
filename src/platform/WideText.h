#pragma once

#include <ace/SString.h>

#include <QString>
#include <string>

// Between Qt's text and the host's wide strings, one character for one.
inline ACE_WString toWide(const QString& text) {
  const std::wstring wide = text.toStdWString();
  return ACE_WString(wide.c_str(), wide.size());
}

inline QString fromWide(const ACE_WString& text) {
  return QString::fromWCharArray(text.c_str(), static_cast<qsizetype>(text.length()));
}
