#pragma once

#include "CustomEvent.h"
#include "HostApi.h"

// The host's event service for events of one type.
template <class EventType>
class HOST_API BEvent {
 public:
  // Queues a copy of the event for delivery on a host thread; returns at once.
  static int notify_async(const EventType& event, const void* sender);
};

extern template class BEvent<CustomEvent>;
