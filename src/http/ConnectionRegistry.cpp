#include "http/ConnectionRegistry.h"

#include <ace/OS_NS_sys_socket.h>

void ConnectionRegistry::setSettings(const Settings& settings) {
  std::lock_guard<std::mutex> lock(mutex_);
  settings_ = settings;
}

ConnectionRegistry::Settings ConnectionRegistry::settings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return settings_;
}

bool ConnectionRegistry::add(ACE_HANDLE handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (static_cast<int>(handles_.size()) >= settings_.maxConnections) return false;
  handles_.insert(handle);
  return true;
}

void ConnectionRegistry::remove(ACE_HANDLE handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  handles_.erase(handle);
}

void ConnectionRegistry::shutdownAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (ACE_HANDLE handle : handles_) ACE_OS::shutdown(handle, ACE_SHUTDOWN_BOTH);
}

int ConnectionRegistry::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(handles_.size());
}
