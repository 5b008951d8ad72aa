#include "Handler.h"

#include "StandinEvents.h"

template <class EventType>
int Handler<EventType>::Register(const ID& componentId) {
  StandinEvents::registerHandler(componentId, this);
  return 0;
}

template <class EventType>
int Handler<EventType>::unregister(const ID& componentId) {
  return StandinEvents::unregisterHandler(componentId, this) ? 0 : -1;
}

// A handler that goes away must never be called again.
template <class EventType>
Handler<EventType>::~Handler() {
  StandinEvents::unregisterAll(this);
}

template class Handler<EventDestroyingComponent>;
