#include "http/RequestDesc.h"

#include "platform/FtLog.h"

namespace {
const wchar_t* const kClass = L"RequestDesc";
}

void RequestDesc::setRequest(const QString& target) {
  FT_LOG_TRACE(kClass, L"[RequestDesc::setRequest()]: Method started.");
  request_ = target;
  FT_LOG_TRACE(kClass, L"[RequestDesc::setRequest()]: Method end.");
}

QString RequestDesc::getRequest() const {
  FT_LOG_TRACE(kClass, L"[RequestDesc::getRequest()]: Method called.");
  return request_;
}
