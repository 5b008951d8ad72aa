#pragma once

#include <ace/Thread.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "http/ConnectionContext.h"

// The threads that serve connections, each accepting its own from the shared
// listening socket and serving it to the end: no thread hands a connection
// to another. One more thread than the connection limit at most, so that one
// is always accepting, to admit a newcomer or turn it away. A thread that
// takes the last waiting place starts others; a thread whose accept waits
// for the listening socket's receive time-out retires unless it is the last.
class ConnectionPool {
 public:
  ConnectionPool() = default;
  ~ConnectionPool();
  ConnectionPool(const ConnectionPool&) = delete;
  ConnectionPool& operator=(const ConnectionPool&) = delete;

  // Starts accepting on listening, which is bound and listens, in threads of
  // the context's thread group, for its registry; from now on the pool owns
  // the socket and closes it after its last thread. False when no thread
  // could be started: the socket is closed then too.
  bool start(ACE_HANDLE listening, const ConnectionContext& context);
  // Ends every waiting accept at once; a thread that serves a connection ends
  // after it.
  void stop();
  int threads() const;
  // Threads in accept or on their way there.
  int accepting() const;

  struct Listener;

 private:
  static ACE_THR_FUNC_RETURN work(void* listener);

  mutable std::mutex mutex_;  // guards listener_ (threads keep their own reference)
  std::shared_ptr<Listener> listener_;
};
