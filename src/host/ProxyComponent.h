#pragma once

#include <ace/Copy_Disabled.h>

#include "BOStream.h"
#include "EventDestroyingComponent.h"
#include "Handler.h"
#include "IComponent.h"

// What the host and other components hold instead of the component itself.
class HOST_API ProxyComponent : public Handler<EventDestroyingComponent>,
                                private ACE_Copy_Disabled {
 public:
  explicit ProxyComponent(IComponent* component);
  ~ProxyComponent() override;
  void handleEvent(const EventDestroyingComponent& event) override;
  virtual int test(BOStream& out);
  virtual int run(BOStream& out);
  // The wrapped component's identifier, kept from construction.
  virtual const ID& getID() const;

 private:
  ID id_;
};
