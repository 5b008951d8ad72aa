#pragma once

#include <ace/SString.h>

#include "BSet.h"
#include "IComponent.h"
#include "ID.h"

// "makora:DM?DataManager". Each read returns 0 and fills the out value, or
// non-zero and leaves it unchanged (absent key, or stored with another type).
class HOST_API IDataManager : public IComponent {
 public:
  ~IDataManager() override;
  virtual int readSet(const ID& key, BSet& value) = 0;
  virtual int readString(const ID& key, ACE_WString& value) = 0;
  virtual int readInteger(const ID& key, int& value) = 0;
  virtual int readFlag(const ID& key, bool& value) = 0;
};
