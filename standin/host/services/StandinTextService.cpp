#include "StandinTextService.h"

#include <mutex>

#include "WideText.h"

StandinTextService::StandinTextService() : id_("makora:BText?BText") {}
StandinTextService::~StandinTextService() = default;

const ID& StandinTextService::getID() const {
  return id_;
}

ACE_WString& StandinTextService::lookupText(ACE_WString& out, const ACE_WString& code,
                                            const ACE_WString& defaultText) {
  std::shared_lock lock(textsGuard_);
  auto it = texts_.find(stdWide(code));
  out = it != texts_.end() ? it->second : defaultText;
  return out;
}

void StandinTextService::setText(const ACE_WString& code, const ACE_WString& text) {
  std::unique_lock lock(textsGuard_);
  texts_.insert_or_assign(stdWide(code), text);
}

void StandinTextService::replaceWith(StandinTextService& fresh) {
  std::unique_lock mine(textsGuard_, std::defer_lock);
  std::unique_lock theirs(fresh.textsGuard_, std::defer_lock);
  std::lock(mine, theirs);
  texts_.swap(fresh.texts_);
}

void StandinTextService::clear() {
  std::unique_lock lock(textsGuard_);
  texts_.clear();
}
