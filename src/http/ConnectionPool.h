#pragma once

#include <ace/Thread.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/Limits.h"

class HttpDaemon;

// The threads that serve connections, kept between connections: a thread
// that has closed one parks and takes the next, so a burst of connects costs
// no thread creation. It grows on demand (the connection limit bounds it) and
// a thread parked for idleRetire ends.
class ConnectionPool {
 public:
  explicit ConnectionPool(
      std::chrono::milliseconds idleRetire = std::chrono::milliseconds(limits::kIdleThreadRetireMs))
      : idleRetire_(idleRetire) {}

  // Serves the opened daemon on a parked thread or a new one of the thread
  // manager's group groupId; the daemon closes (deletes) itself when done.
  // False when no thread could be started: the caller still owns the daemon.
  bool serve(HttpDaemon* daemon, int groupId);
  // Wakes the parked threads to end, and lets each busy one end after its
  // connection. Connections handed over before are still served.
  void stop();
  // Parks threads again after a stop.
  void restart();
  int threads() const;
  int parked() const;

 private:
  // One per thread: a parked thread waits on its own condition, so a
  // hand-over wakes exactly the thread it is for.
  struct Slot {
    std::condition_variable wake;
    HttpDaemon* next = nullptr;
  };

  static ACE_THR_FUNC_RETURN work(void* start);
  void run(HttpDaemon* first);

  const std::chrono::milliseconds idleRetire_;
  mutable std::mutex mutex_;  // guards everything below and every Slot
  // Most recently parked last: the next connection goes to a warm thread and
  // the cold ones retire.
  std::vector<Slot*> parked_;
  int threads_ = 0;
  bool stopping_ = false;
};
