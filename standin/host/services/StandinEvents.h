#pragma once

#include <cstddef>
#include <vector>

#include "EventDestroyingComponent.h"
#include "Handler.h"
#include "HostApi.h"
#include "ID.h"

// The host's event service. Custom events travel through a queue to one host
// thread, which logs each ("received event <id>", class "EventService") and
// records it; destroying-component events go synchronously to the handlers
// registered for that component.
class HOST_API StandinEvents {
 public:
  // Queues an event id; starts the delivery thread on first use.
  static void post(int eventId);
  // Ids delivered so far, in order: the newest standin_limits::kEventHistory.
  static std::vector<int> received();
  // True once at least n events were delivered since clear(), false after timeoutMs.
  static bool waitForCount(size_t n, int timeoutMs);
  static void clear();
  // Delivers what is queued, then ends the delivery thread; a later post
  // starts it again.
  static void shutdown();

  static void registerHandler(const ID& componentId, Handler<EventDestroyingComponent>* handler);
  // False when that handler was not registered for that component.
  static bool unregisterHandler(const ID& componentId, Handler<EventDestroyingComponent>* handler);
  static void unregisterAll(Handler<EventDestroyingComponent>* handler);
  // Calls handleEvent of every handler registered for componentId, on the
  // calling thread; returns how many were called.
  static size_t announceDestroying(const ID& componentId);
};
