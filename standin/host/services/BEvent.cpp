#include "BEvent.h"

#include "StandinEvents.h"

template <class EventType>
int BEvent<EventType>::notify_async(const EventType& event, const void*) {
  StandinEvents::post(event.getEventId());
  return 0;
}

template class BEvent<CustomEvent>;
