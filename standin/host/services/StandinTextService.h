#pragma once

#include <ace/SString.h>

#include <map>
#include <shared_mutex>
#include <string>

#include "IBText.h"

// The text service: display texts by text code.
class HOST_API StandinTextService : public IBText {
 public:
  StandinTextService();
  ~StandinTextService() override;

  ACE_WString& lookupText(ACE_WString& out, const ACE_WString& code,
                          const ACE_WString& defaultText) override;
  const ID& getID() const override;

  void setText(const ACE_WString& code, const ACE_WString& text);
  void clear();
  // Takes fresh's texts in one step: a lookup sees the old texts or the new.
  void replaceWith(StandinTextService& fresh);

 private:
  const ID id_;
  // textsGuard_: shared by lookups, exclusive for changes.
  mutable std::shared_mutex textsGuard_;
  std::map<std::wstring, ACE_WString> texts_;
};
