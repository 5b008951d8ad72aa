#pragma once

#include <ace/SString.h>

#include "BOStream.h"
#include "HostApi.h"
#include "ID.h"

// Every host component. The defaults do nothing and succeed.
class HOST_API IComponent {
 public:
  virtual ~IComponent();
  virtual int test(BOStream& out);
  virtual bool init();
  virtual void cleanupResources();
  virtual int run(BOStream& out);
  virtual const ID& getID() const = 0;
  virtual int getXMLState(ACE_String_Base<char>& state);
  virtual long attach();
  virtual long detach();
  virtual long attachProxy();
  virtual long detachProxy();
  virtual long acquire();
  virtual long release();
};
