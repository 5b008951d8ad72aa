#pragma once

#include "EventDestroyingComponent.h"
#include "HostApi.h"
#include "ID.h"

// Receives the host's events of one type about the components it registered for.
template <class EventType>
class HOST_API Handler {
 public:
  virtual int Register(const ID& componentId);
  virtual int unregister(const ID& componentId);
  virtual ~Handler();
  virtual void handleEvent(const EventType& event) = 0;
};

extern template class Handler<EventDestroyingComponent>;
