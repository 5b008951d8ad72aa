#include "StandinEvents.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "StandinLimits.h"
#include "StandinLogState.h"
#include "WideText.h"

namespace {

using DestroyHandler = Handler<EventDestroyingComponent>;

const char kThreadName[] = "host-events";  // 15 characters at most on Linux

class EventService {
 public:
  static EventService& instance() {
    static EventService service;
    return service;
  }

  ~EventService() {
    shutdown();
    gone_ = true;
  }

  // True once the service was destroyed at unload; later calls do nothing.
  static bool gone() { return gone_; }

  void post(int eventId) {
    std::lock_guard lock(queueGuard_);
    queue_.push_back(eventId);
    if (!worker_.joinable()) {
      stopping_ = false;
      worker_ = std::thread([this] { serve(); });
    }
    queueChanged_.notify_one();
  }

  void shutdown() {
    std::thread worker;
    {
      std::lock_guard lock(queueGuard_);
      stopping_ = true;
      queueChanged_.notify_one();
      worker = std::move(worker_);
    }
    if (worker.joinable()) worker.join();
  }

  std::vector<int> received() {
    std::lock_guard lock(receivedGuard_);
    return std::vector<int>(received_.begin(), received_.end());
  }

  bool waitForCount(size_t n, int timeoutMs) {
    std::unique_lock lock(receivedGuard_);
    return receivedChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return delivered_ >= n; });
  }

  void clear() {
    std::lock_guard lock(receivedGuard_);
    received_.clear();
    delivered_ = 0;
  }

  void registerHandler(const ID& id, DestroyHandler* handler) {
    std::lock_guard lock(handlersGuard_);
    std::vector<DestroyHandler*>& list = handlers_[stdWide(id.getText())];
    if (std::find(list.begin(), list.end(), handler) == list.end()) list.push_back(handler);
  }

  bool unregisterHandler(const ID& id, DestroyHandler* handler) {
    std::lock_guard lock(handlersGuard_);
    auto it = handlers_.find(stdWide(id.getText()));
    if (it == handlers_.end()) return false;
    auto found = std::find(it->second.begin(), it->second.end(), handler);
    if (found == it->second.end()) return false;
    it->second.erase(found);
    if (it->second.empty()) handlers_.erase(it);
    return true;
  }

  void unregisterAll(DestroyHandler* handler) {
    std::lock_guard lock(handlersGuard_);
    for (auto it = handlers_.begin(); it != handlers_.end();) {
      std::erase(it->second, handler);
      it = it->second.empty() ? handlers_.erase(it) : std::next(it);
    }
  }

  // Handlers run without the lock held, so that they may unregister.
  size_t announceDestroying(const ID& id) {
    std::vector<DestroyHandler*> targets;
    {
      std::lock_guard lock(handlersGuard_);
      auto it = handlers_.find(stdWide(id.getText()));
      if (it != handlers_.end()) targets = it->second;
    }
    const EventDestroyingComponent event(id);
    for (DestroyHandler* handler : targets) handler->handleEvent(event);
    return targets.size();
  }

 private:
  // The logger must outlive the delivery thread, which logs until it is joined.
  EventService() { StandinLogState::instance(); }

  void serve() {
    // Its own name, not that of the component thread which posted first.
    pthread_setname_np(pthread_self(), kThreadName);
    std::unique_lock lock(queueGuard_);
    for (;;) {
      queueChanged_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopping, and everything was delivered
      const int eventId = queue_.front();
      queue_.pop_front();
      lock.unlock();
      deliver(eventId);
      lock.lock();
    }
  }

  void deliver(int eventId) {
    if (MakoraLog_Static::isEnabled(MakoraLog_Static::Information))
      StandinLogState::instance().write(MakoraLog_Static::Information, "EventService",
                                        "received event " + std::to_string(eventId));
    std::lock_guard lock(receivedGuard_);
    received_.push_back(eventId);
    if (received_.size() > standin_limits::kEventHistory) received_.pop_front();
    ++delivered_;
    receivedChanged_.notify_all();
  }

  // queueGuard_ guards queue_, stopping_ and worker_.
  std::mutex queueGuard_;
  std::condition_variable queueChanged_;
  std::deque<int> queue_;
  bool stopping_ = false;
  std::thread worker_;

  // receivedGuard_ guards received_ and delivered_.
  std::mutex receivedGuard_;
  std::condition_variable receivedChanged_;
  std::deque<int> received_;
  size_t delivered_ = 0;

  static inline std::atomic<bool> gone_{false};

  // handlersGuard_ guards handlers_.
  std::mutex handlersGuard_;
  std::map<std::wstring, std::vector<DestroyHandler*>> handlers_;
};

}  // namespace

void StandinEvents::post(int eventId) {
  if (!EventService::gone()) EventService::instance().post(eventId);
}
std::vector<int> StandinEvents::received() {
  return EventService::instance().received();
}
bool StandinEvents::waitForCount(size_t n, int timeoutMs) {
  return EventService::instance().waitForCount(n, timeoutMs);
}
void StandinEvents::clear() {
  EventService::instance().clear();
}
void StandinEvents::shutdown() {
  EventService::instance().shutdown();
}

void StandinEvents::registerHandler(const ID& componentId,
                                    Handler<EventDestroyingComponent>* handler) {
  EventService::instance().registerHandler(componentId, handler);
}
bool StandinEvents::unregisterHandler(const ID& componentId,
                                      Handler<EventDestroyingComponent>* handler) {
  return EventService::instance().unregisterHandler(componentId, handler);
}
void StandinEvents::unregisterAll(Handler<EventDestroyingComponent>* handler) {
  if (!EventService::gone()) EventService::instance().unregisterAll(handler);
}
size_t StandinEvents::announceDestroying(const ID& componentId) {
  return EventService::instance().announceDestroying(componentId);
}
