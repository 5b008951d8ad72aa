#pragma once

#include <ace/config-lite.h>

#include <mutex>
#include <unordered_set>

#include "platform/Limits.h"

// The connections a server is serving right now, so that it can bound their
// number and, before it goes, wake and outwait them.
class ConnectionRegistry {
 public:
  // Written by the server's configure, read as each connection opens.
  void setLimits(int maxConnections, int receiveTimeoutMs);
  int receiveTimeoutMs() const;

  // Registers a connection; false when the limit is reached already.
  bool add(ACE_HANDLE handle);
  // Unregisters it; the caller closes the socket only afterwards, so that
  // shutdownAll never touches a handle number that was reused.
  void remove(ACE_HANDLE handle);
  // Shuts every registered socket down, which ends a pending receive.
  void shutdownAll();
  int size() const;

 private:
  mutable std::mutex mutex;  // guards everything below
  std::unordered_set<ACE_HANDLE> handles;
  int maxConnections = limits::kDefaultMaxConnections;
  int receiveTimeout = limits::kDefaultReceiveTimeoutMs;
};
