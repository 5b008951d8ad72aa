#pragma once

#include <QString>

// The request target exactly as written in the request line, not decoded.
class RequestDesc {
 public:
  void setRequest(const QString& target);
  QString getRequest() const;

 private:
  QString request_;
};
