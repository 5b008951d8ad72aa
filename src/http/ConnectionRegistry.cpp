#include "http/ConnectionRegistry.h"

#include <ace/OS_NS_sys_socket.h>

#include "platform/FtLog.h"

namespace {
const wchar_t* const kClass = L"ConnectionRegistry";
}

void ConnectionRegistry::setSettings(const Settings& settings) {
  std::lock_guard<std::mutex> lock(mutex_);
  settings_ = settings;
}

ConnectionRegistry::Settings ConnectionRegistry::settings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return settings_;
}

// Silent connections would otherwise hold every place until their receive
// time-out; one that has sent something is being served and keeps its place.
bool ConnectionRegistry::add(ACE_HANDLE handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (static_cast<int>(connections_.size()) >= settings_.maxConnections && !evictLongestSilent())
    return false;
  connections_[handle] = Connection{++registered_, std::chrono::steady_clock::now(), false};
  return true;
}

bool ConnectionRegistry::evictLongestSilent() {
  auto oldest = connections_.end();
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    if (!it->second.sending &&
        (oldest == connections_.end() || it->second.order < oldest->second.order))
      oldest = it;
  }
  if (oldest == connections_.end()) return false;
  const auto silentMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - oldest->second.opened)
                            .count();
  FT_LOG_WARNING(kClass,
                 L"[add()]: all %d connection places are taken, closing the connection that has "
                 L"sent nothing for the longest (%lld ms) to serve the new one",
                 static_cast<int>(connections_.size()), static_cast<long long>(silentMs));
  // Its thread wakes with the end of the stream and closes the socket; its
  // remove finds nothing to do.
  ACE_OS::shutdown(oldest->first, ACE_SHUTDOWN_BOTH);
  connections_.erase(oldest);
  return true;
}

void ConnectionRegistry::noteSending(ACE_HANDLE handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = connections_.find(handle);
  if (found != connections_.end()) found->second.sending = true;
}

void ConnectionRegistry::remove(ACE_HANDLE handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  connections_.erase(handle);
}

void ConnectionRegistry::shutdownAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& [handle, connection] : connections_) ACE_OS::shutdown(handle, ACE_SHUTDOWN_BOTH);
}

int ConnectionRegistry::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(connections_.size());
}
