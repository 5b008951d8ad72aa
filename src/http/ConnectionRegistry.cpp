#include "http/ConnectionRegistry.h"

#include <ace/OS_NS_sys_socket.h>

void ConnectionRegistry::setLimits(int newMaxConnections, int receiveTimeoutMs) {
  std::lock_guard<std::mutex> lock(mutex);
  maxConnections = newMaxConnections;
  receiveTimeout = receiveTimeoutMs;
}

int ConnectionRegistry::receiveTimeoutMs() const {
  std::lock_guard<std::mutex> lock(mutex);
  return receiveTimeout;
}

bool ConnectionRegistry::add(ACE_HANDLE handle) {
  std::lock_guard<std::mutex> lock(mutex);
  if (static_cast<int>(handles.size()) >= maxConnections) return false;
  handles.insert(handle);
  return true;
}

void ConnectionRegistry::remove(ACE_HANDLE handle) {
  std::lock_guard<std::mutex> lock(mutex);
  handles.erase(handle);
}

void ConnectionRegistry::shutdownAll() {
  std::lock_guard<std::mutex> lock(mutex);
  for (ACE_HANDLE handle : handles) ACE_OS::shutdown(handle, ACE_SHUTDOWN_BOTH);
}

int ConnectionRegistry::size() const {
  std::lock_guard<std::mutex> lock(mutex);
  return static_cast<int>(handles.size());
}
