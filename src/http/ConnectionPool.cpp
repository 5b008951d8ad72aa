#include "http/ConnectionPool.h"

#include <ace/Thread_Manager.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "http/HttpDaemon.h"
#include "platform/Limits.h"
#include "platform/Platform.h"

namespace {

struct Start {
  ConnectionPool* pool;
  HttpDaemon* daemon;
};

}  // namespace

bool ConnectionPool::serve(HttpDaemon* daemon, int groupId) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!parked_.empty()) {
      Slot* slot = parked_.back();
      parked_.pop_back();
      slot->next = daemon;
      // Under the lock: once it is released the woken thread may take the
      // connection, end, and destroy the slot before a later notify.
      slot->wake.notify_one();
      return true;
    }
    ++threads_;
  }
  auto* start = new Start{this, daemon};
  const int spawned = ACE_Thread_Manager::instance()->spawn(
      &ConnectionPool::work, start, THR_NEW_LWP | THR_DETACHED, nullptr, nullptr,
      ACE_DEFAULT_THREAD_PRIORITY, groupId, nullptr, limits::kConnectionThreadStackBytes);
  if (spawned == -1) {
    delete start;
    std::lock_guard<std::mutex> lock(mutex_);
    --threads_;
    return false;
  }
  return true;
}

ACE_THR_FUNC_RETURN ConnectionPool::work(void* arg) {
  auto* start = static_cast<Start*>(arg);
  ConnectionPool* pool = start->pool;
  HttpDaemon* daemon = start->daemon;
  delete start;
  Platform::setCurrentThreadName("QFTServer::conn");
  Platform::ignoreBrokenPipe();
  pool->run(daemon);
  return 0;
}

void ConnectionPool::run(HttpDaemon* daemon) {
  Slot slot;
  std::unique_lock<std::mutex> lock(mutex_, std::defer_lock);
  while (daemon != nullptr) {
    daemon->svc();
    daemon->close(0);  // deletes it
    lock.lock();
    if (!stopping_) {
      parked_.push_back(&slot);
      slot.wake.wait_for(lock, idleRetire_, [&] { return slot.next != nullptr || stopping_; });
      if (slot.next == nullptr) std::erase(parked_, &slot);
    }
    daemon = std::exchange(slot.next, nullptr);
    if (daemon == nullptr) --threads_;
    lock.unlock();
  }
  // The thread manager counts this thread until it has returned; the owner
  // waits for that, not for threads_.
}

void ConnectionPool::stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopping_ = true;
  for (Slot* slot : parked_) slot->wake.notify_one();
}

void ConnectionPool::restart() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopping_ = false;
}

int ConnectionPool::threads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return threads_;
}

int ConnectionPool::parked() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(parked_.size());
}
