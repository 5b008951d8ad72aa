#include "component/CQFTServer.h"

#include <ace/Thread_Manager.h>

#include <chrono>
#include <thread>

#include "ID.h"
#include "IDataManager.h"
#include "component/ServerThread.h"
#include "dispatch/URLCommandFactory.h"
#include "platform/FtLog.h"
#include "platform/Limits.h"
#include "platform/Platform.h"
#include "platform/WideText.h"

namespace {

const wchar_t* const kClass = L"CQFTServer";

const wchar_t* const kPortKey = L"data:/Configuration/OrvaneFunctionTests/SocketPort";
const wchar_t* const kListenAddressKey = L"data:/Configuration/OrvaneFunctionTests/ListenAddress";
const wchar_t* const kMaxConnectionsKey = L"data:/Configuration/OrvaneFunctionTests/MaxConnections";
const wchar_t* const kReceiveTimeoutKey = L"data:/Configuration/OrvaneFunctionTests/ReceiveTimeout";
const wchar_t* const kSendTimeoutKey = L"data:/Configuration/OrvaneFunctionTests/SendTimeout";

// How often the destructor looks whether the connection threads have ended,
// and after how long it says that it is still waiting.
constexpr auto kThreadPollInterval = std::chrono::milliseconds(2);
constexpr auto kSlowShutdownNotice = std::chrono::seconds(5);

}  // namespace

CQFTServer::CQFTServer(const ID& id) : CComponent_Thread_Ref(id) {}

CQFTServer::~CQFTServer() {
  FT_LOG_TRACE(kClass, L"[CQFTServer::~CQFTServer()]: Method started.");
  if (threadGroupId_ != -1) {
    // Joining a listener whose loop still runs would never return.
    FT_LOG_WARNING(kClass, L"[CQFTServer::~CQFTServer()]: destroyed while running, stopping first");
    reactor_.end_reactor_event_loop();
  }
  cleanUp();
  waitForConnections();
  FT_LOG_TRACE(kClass, L"[CQFTServer::~CQFTServer()]: Method end.");
}

bool CQFTServer::init() {
  FT_LOG_TRACE(kClass, L"[CQFTServer::init()]: Method called.");
  return true;
}

bool CQFTServer::configure(const QString& ecuName) {
  FT_LOG_TRACE(kClass, L"[CQFTServer::configure()]: Method started.");
  URLCommandFactory* factory = URLCommandFactory::getInstance();
  if (factory == nullptr) {
    FT_LOG_TRACE(kClass, L"Error getting URLCommandFactory instance");
    return false;
  }
  factory->init(ecuName);

  Endpoint endpoint;
  IDataManager* dataManager = factory->getDataManager();
  if (dataManager == nullptr || dataManager->readInteger(ID(kPortKey), endpoint.port) != 0) {
    FT_LOG_TRACE(kClass, L"FT server Port not configured, using default");
    endpoint.port = limits::kDefaultPort;
  }
  readConnectionSettings(dataManager, endpoint);
  {
    std::lock_guard<std::mutex> lock(endpointGuard_);
    endpoint_ = endpoint;
  }
  FT_LOG_TRACE(kClass, L"[CQFTServer::configure()]: Method end.");
  return true;
}

CQFTServer::Endpoint CQFTServer::getEndpoint() const {
  std::lock_guard<std::mutex> lock(endpointGuard_);
  return endpoint_;
}

void CQFTServer::readConnectionSettings(IDataManager* dataManager, Endpoint& endpoint) {
  ConnectionRegistry::Settings settings;
  if (dataManager == nullptr) {
    connections_.setSettings(settings);
    return;
  }

  ACE_WString address;
  if (dataManager->readString(ID(kListenAddressKey), address) == 0) {
    const QString text = fromWide(address);
    if (Platform::parseIPv4(text.toLatin1().constData(), endpoint.address)) {
      FT_LOG_TRACE(kClass, L"[CQFTServer::configure()]: listening on %s", FT_W(text));
    } else {
      // Widening to all interfaces would expose what was meant to stay local.
      endpoint.addressValid = false;
      FT_LOG_ERROR(kClass,
                   L"[CQFTServer::configure()]: ListenAddress '%s' is not an IPv4 address, the "
                   L"server will not listen",
                   FT_W(text));
    }
  }

  int value = 0;
  if (dataManager->readInteger(ID(kMaxConnectionsKey), value) == 0) {
    if (value >= 1) {
      settings.maxConnections = value;
    } else {
      FT_LOG_WARNING(kClass, L"[CQFTServer::configure()]: MaxConnections %d is below 1, using %d",
                     value, settings.maxConnections);
    }
  }
  // A time-out of 0 waits without limit; only a negative one is a mistake.
  const struct {
    const wchar_t* key;
    const wchar_t* name;
    int* target;
  } timeouts[] = {{kReceiveTimeoutKey, L"ReceiveTimeout", &settings.receiveTimeoutMs},
                  {kSendTimeoutKey, L"SendTimeout", &settings.sendTimeoutMs}};
  for (const auto& timeout : timeouts) {
    if (dataManager->readInteger(ID(timeout.key), value) != 0) continue;
    if (value >= 0) {
      *timeout.target = value;
    } else {
      FT_LOG_WARNING(kClass, L"[CQFTServer::configure()]: %s %d is negative, using %d",
                     timeout.name, value, *timeout.target);
    }
  }
  connections_.setSettings(settings);
}

void CQFTServer::run() {
  FT_LOG_TRACE(kClass, L"[CQFTServer::run()]: Method started.");
  if (getEndpoint().port == 0) {
    FT_LOG_ERROR(
        kClass,
        L"[CQFTServer::run()]: Port not configured, CQFTServer::configure() must me executed");
    return;
  }
  threadGroupId_ = ACE_Thread_Manager::instance()->spawn(serverSvc, this, 0, nullptr, nullptr, 0,
                                                         threadGroupId_, nullptr, 0, nullptr);
  if (threadGroupId_ == -1) {
    FT_LOG_WARNING(kClass, L"[CQFTServer::run()] Can't spawn main server thread.");
  } else {
    usedGroups_.push_back(threadGroupId_);
  }
  FT_LOG_TRACE(kClass, L"[CQFTServer::run()]: Method end.");
}

void CQFTServer::stop() {
  FT_LOG_TRACE(kClass, L"[CQFTServer::stop()]: Method started.");
  reactor_.end_reactor_event_loop();
  cleanUp();
  // Threads waiting in accept end now; busy ones after their connection.
  connections_.pool().stop();
  FT_LOG_TRACE(kClass, L"[CQFTServer::stop()]: Method end.");
}

void CQFTServer::cleanUp() {
  if (threadGroupId_ == -1) return;
  ACE_Thread_Manager* manager = ACE_Thread_Manager::instance();
  manager->cancel_grp(threadGroupId_, 0);
  manager->wait_grp(threadGroupId_);
  threadGroupId_ = -1;
}

// Connection threads are detached and run this module's code to their last
// instruction: wake their receives and outwait them.
void CQFTServer::waitForConnections() {
  connections_.pool().stop();
  connections_.shutdownAll();
  ACE_Thread_Manager* manager = ACE_Thread_Manager::instance();
  const auto start = std::chrono::steady_clock::now();
  bool noticed = false;
  for (int group : usedGroups_) {
    ACE_thread_t thread;
    while (manager->thread_grp_list(group, &thread, 1) > 0) {
      if (!noticed && std::chrono::steady_clock::now() - start > kSlowShutdownNotice) {
        FT_LOG_WARNING(kClass,
                       L"[CQFTServer::~CQFTServer()]: still waiting for %d connections to end",
                       connections_.size());
        noticed = true;
      }
      std::this_thread::sleep_for(kThreadPollInterval);
    }
  }
  usedGroups_.clear();
}
