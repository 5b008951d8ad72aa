#pragma once

#include <QString>

// The method, target and version of an HTTP request line. A line without a
// version still gives its method and target; it is only not valid.
struct RequestLine {
  QString method;
  QString target;
  int majorVersion = 0;
  int minorVersion = 0;
  bool valid = false;

  // Parses the first line of a request head; the head's lines may end with
  // "\r\n" or with a bare '\n'.
  static RequestLine parse(const QString& head);
};
