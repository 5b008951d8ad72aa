#pragma once

#include <ace/config-lite.h>

#include <chrono>
#include <mutex>
#include <unordered_map>

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

  // Registers a connection. When every place is taken, the connection that
  // has been open longest without sending a byte gives up its place: its
  // socket is shut down, which ends its receive. False when every place is
  // held by a connection that has sent something.
  bool add(ACE_HANDLE handle);
  // The connection has sent its first bytes: it keeps its place from now on.
  void noteSending(ACE_HANDLE handle);
  // Unregisters it; the caller closes the socket only afterwards, so that
  // shutdownAll never touches a handle number that was reused.
  void remove(ACE_HANDLE handle);
  // Shuts every registered socket down, which ends a pending receive or send.
  void shutdownAll();
  int size() const;

  ConnectionPool& pool() { return pool_; }

 private:
  struct Connection {
    unsigned long long order;  // of registration: a clock may tie
    std::chrono::steady_clock::time_point opened;
    bool sending = false;
  };

  // Under mutex_: shuts down and forgets the silent connection opened first.
  bool evictLongestSilent();

  mutable std::mutex mutex_;  // guards everything below but pool_
  std::unordered_map<ACE_HANDLE, Connection> connections_;
  unsigned long long registered_ = 0;
  Settings settings_;
  ConnectionPool pool_;  // guarded by its own lock
};
