#include "http/ConnectionPool.h"

#include <ace/OS_NS_sys_socket.h>
#include <ace/Thread_Manager.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

#include "http/ConnectionRegistry.h"
#include "http/HttpDaemon.h"
#include "platform/FtLog.h"
#include "platform/Limits.h"
#include "platform/Platform.h"

namespace {
const wchar_t* const kClass = L"ConnectionPool";
}

// What the threads of one run share; the last of them closes the socket.
struct ConnectionPool::Listener {
  Listener(ACE_HANDLE socket, const ConnectionContext& given, int most)
      : listening(socket), context(given), maxThreads(most) {}
  ~Listener() { Platform::closeListening(listening); }

  // Starts a thread that counts as accepting from now on, unless the pool has
  // its most threads.
  bool grow(const std::shared_ptr<Listener>& self);
  // Starts as many threads as run already, up to limits::kMaxThreadsStartedAtOnce:
  // a burst of connects then waits for a few thread starts, not one per connect.
  void growBurst(const std::shared_ptr<Listener>& self);
  // Ends an accepting thread's count unless it is the last one accepting.
  bool retire();
  static void run(const std::shared_ptr<Listener>& self);

  const ACE_HANDLE listening;
  const ConnectionContext context;
  const int maxThreads;
  std::atomic<int> threads{0};
  std::atomic<int> accepting{0};
  std::atomic<bool> stopping{false};
  // From the first accept that found no descriptor until one succeeds.
  std::atomic<bool> outOfDescriptors{false};
};

namespace {
struct Start {
  std::shared_ptr<ConnectionPool::Listener> listener;
};
}  // namespace

bool ConnectionPool::Listener::grow(const std::shared_ptr<Listener>& self) {
  int count = threads.load();
  do {
    if (count >= maxThreads) return false;
  } while (!threads.compare_exchange_weak(count, count + 1));
  ++accepting;
  auto* start = new Start{self};
  const int spawned = ACE_Thread_Manager::instance()->spawn(
      &ConnectionPool::work, start, THR_NEW_LWP | THR_DETACHED, nullptr, nullptr,
      ACE_DEFAULT_THREAD_PRIORITY, context.threadGroupId, nullptr,
      limits::kConnectionThreadStackBytes);
  if (spawned != -1) return true;
  delete start;
  --accepting;
  --threads;
  FT_LOG_WARNING(kClass, L"[grow()]: no thread could be started to accept connections");
  return false;
}

void ConnectionPool::Listener::growBurst(const std::shared_ptr<Listener>& self) {
  const int wanted = std::clamp(threads.load(), 1, limits::kMaxThreadsStartedAtOnce);
  for (int i = 0; i < wanted && grow(self); ++i) {
  }
}

bool ConnectionPool::Listener::retire() {
  int count = accepting.load();
  while (count > 1) {
    if (accepting.compare_exchange_weak(count, count - 1)) return true;
  }
  return false;
}

ACE_THR_FUNC_RETURN ConnectionPool::work(void* arg) {
  const std::shared_ptr<Listener> listener = std::move(static_cast<Start*>(arg)->listener);
  delete static_cast<Start*>(arg);
  Platform::setCurrentThreadName("QFTServer::conn");
  Platform::ignoreBrokenPipe();
  Listener::run(listener);
  // The thread manager counts this thread until it has returned; the owner
  // waits for that, not for threads.
  return 0;
}

void ConnectionPool::Listener::run(const std::shared_ptr<Listener>& self) {
  Listener& l = *self;
  for (;;) {
    int error = 0;
    const ACE_HANDLE handle = Platform::acceptConnection(l.listening, error);
    if (l.stopping) {
      // Accepted after the stop: closed unanswered, as the backlog is.
      if (handle != ACE_INVALID_HANDLE) ACE_OS::closesocket(handle);
      break;
    }
    if (handle == ACE_INVALID_HANDLE) {
      if (Platform::isTimeout(error)) {
        if (l.retire()) {
          --l.threads;
          return;
        }
      } else if (Platform::isListenerGone(error)) {
        break;
      } else if (Platform::isOutOfDescriptors(error)) {
        if (!l.outOfDescriptors.exchange(true)) {
          FT_LOG_WARNING(kClass,
                         L"[ConnectionPool::run()]: out of file descriptors "
                         L"(errno %d), new connections wait in the backlog until some are free",
                         error);
        }
        // Accepting at once again would only fail again.
        std::this_thread::sleep_for(std::chrono::milliseconds(limits::kAcceptBackoffMs));
      }
      continue;
    }
    if (l.outOfDescriptors.exchange(false)) {
      FT_LOG_WARNING(kClass, L"[ConnectionPool::run()]: accepting connections again");
    }
    // The last one accepting starts the next ones before it serves.
    if (l.accepting.fetch_sub(1) == 1) l.growBurst(self);
    HttpDaemon::serve(handle, l.context);
    if (l.stopping) {
      --l.threads;
      return;
    }
    ++l.accepting;
  }
  --l.accepting;
  --l.threads;
}

ConnectionPool::~ConnectionPool() {
  stop();
}

bool ConnectionPool::start(ACE_HANDLE listening, const ConnectionContext& context) {
  // One beyond the limit, to admit or turn away a newcomer while all serve.
  const int most = std::min(context.registry->settings().maxConnections, INT_MAX - 1) + 1;
  auto listener = std::make_shared<Listener>(listening, context, most);
  if (!listener->grow(listener)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  if (listener_ != nullptr) {
    listener_->stopping = true;
    Platform::stopListening(listener_->listening);
  }
  listener_ = std::move(listener);
  return true;
}

void ConnectionPool::stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (listener_ == nullptr) return;
  listener_->stopping = true;
  Platform::stopListening(listener_->listening);
  listener_.reset();
}

int ConnectionPool::threads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return listener_ != nullptr ? listener_->threads.load() : 0;
}

int ConnectionPool::accepting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return listener_ != nullptr ? listener_->accepting.load() : 0;
}
