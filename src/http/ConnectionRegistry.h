#pragma once

#include <ace/config-lite.h>

#include <mutex>
#include <unordered_set>

#include "http/ConnectionPool.h"
#include "platform/Limits.h"

// The connections a server is serving right now, so that it can bound their
// number and, before it goes, wake and outwait them; and the threads that
// serve them.
class ConnectionRegistry {
 public:
  struct Settings {
    int maxConnections = limits::kDefaultMaxConnections;
    int receiveTimeoutMs = limits::kDefaultReceiveTimeoutMs;  // 0: without limit
    int sendTimeoutMs = limits::kDefaultSendTimeoutMs;        // 0: without limit
  };

  // Written by the server's configure, read as each connection opens.
  void setSettings(const Settings& settings);
  Settings settings() const;

  // Registers a connection; false when the limit is reached already.
  bool add(ACE_HANDLE handle);
  // Unregisters it; the caller closes the socket only afterwards, so that
  // shutdownAll never touches a handle number that was reused.
  void remove(ACE_HANDLE handle);
  // Shuts every registered socket down, which ends a pending receive or send.
  void shutdownAll();
  int size() const;

  ConnectionPool& pool() { return pool_; }

 private:
  mutable std::mutex mutex_;  // guards handles_ and settings_
  std::unordered_set<ACE_HANDLE> handles_;
  Settings settings_;
  ConnectionPool pool_;  // guarded by its own lock
};
