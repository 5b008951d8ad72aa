#include "component/CQFTServer.h"

#include <ace/Thread_Manager.h>
#include <arpa/inet.h>

#include <chrono>
#include <thread>

#include "ID.h"
#include "IDataManager.h"
#include "component/ServerThread.h"
#include "dispatch/URLCommandFactory.h"
#include "platform/FtLog.h"
#include "platform/Limits.h"
#include "platform/WideText.h"

namespace {

const wchar_t* const kClass = L"CQFTServer";

const wchar_t* const kPortKey = L"data:/Configuration/OrvaneFunctionTests/SocketPort";
const wchar_t* const kListenAddressKey = L"data:/Configuration/OrvaneFunctionTests/ListenAddress";
const wchar_t* const kMaxConnectionsKey = L"data:/Configuration/OrvaneFunctionTests/MaxConnections";
const wchar_t* const kReceiveTimeoutKey = L"data:/Configuration/OrvaneFunctionTests/ReceiveTimeout";

// How often the destructor looks whether the connection threads have ended,
// and after how long it says that it is still waiting.
constexpr auto kThreadPollInterval = std::chrono::milliseconds(2);
constexpr auto kSlowShutdownNotice = std::chrono::seconds(5);

}  // namespace

CQFTServer::CQFTServer(const ID& id) : CComponent_Thread_Ref(id) {}

CQFTServer::~CQFTServer() {
  FT_LOG_TRACE(kClass, L"[CQFTServer::~CQFTServer()]: Method started.");
  if (threadGroupId != -1) {
    // Joining a listener whose loop still runs would never return.
    FT_LOG_WARNING(kClass, L"[CQFTServer::~CQFTServer()]: destroyed while running, stopping first");
    reactor.end_reactor_event_loop();
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

  int configuredPort = 0;
  if (factory->getDataManager() == nullptr ||
      factory->getDataManager()->readInteger(ID(kPortKey), configuredPort) != 0) {
    FT_LOG_TRACE(kClass, L"FT server Port not configured, using default");
    port = limits::kDefaultPort;
  } else {
    port = configuredPort;
  }
  readConnectionSettings(factory->getDataManager());
  FT_LOG_TRACE(kClass, L"[CQFTServer::configure()]: Method end.");
  return true;
}

void CQFTServer::readConnectionSettings(IDataManager* dataManager) {
  listenAddress = INADDR_ANY;
  listenAddressValid = true;
  int maxConnections = limits::kDefaultMaxConnections;
  int receiveTimeoutMs = limits::kDefaultReceiveTimeoutMs;
  if (dataManager == nullptr) {
    connections.setLimits(maxConnections, receiveTimeoutMs);
    return;
  }

  ACE_WString address;
  if (dataManager->readString(ID(kListenAddressKey), address) == 0) {
    const QString text = fromWide(address);
    in_addr parsed{};
    if (inet_pton(AF_INET, text.toLatin1().constData(), &parsed) == 1) {
      listenAddress = ntohl(parsed.s_addr);
      FT_LOG_TRACE(kClass, L"[CQFTServer::configure()]: listening on %s", FT_W(text));
    } else {
      // Widening to all interfaces would expose what was meant to stay local.
      listenAddressValid = false;
      FT_LOG_ERROR(kClass,
                   L"[CQFTServer::configure()]: ListenAddress '%s' is not an IPv4 address, the "
                   L"server will not listen",
                   FT_W(text));
    }
  }

  int value = 0;
  if (dataManager->readInteger(ID(kMaxConnectionsKey), value) == 0) {
    if (value >= 1) {
      maxConnections = value;
    } else {
      FT_LOG_WARNING(kClass, L"[CQFTServer::configure()]: MaxConnections %d is below 1, using %d",
                     value, maxConnections);
    }
  }
  if (dataManager->readInteger(ID(kReceiveTimeoutKey), value) == 0) {
    if (value >= 0) {
      receiveTimeoutMs = value;
    } else {
      FT_LOG_WARNING(kClass, L"[CQFTServer::configure()]: ReceiveTimeout %d is negative, using %d",
                     value, receiveTimeoutMs);
    }
  }
  connections.setLimits(maxConnections, receiveTimeoutMs);
}

void CQFTServer::run() {
  FT_LOG_TRACE(kClass, L"[CQFTServer::run()]: Method started.");
  if (port == 0) {
    FT_LOG_ERROR(
        kClass,
        L"[CQFTServer::run()]: Port not configured, CQFTServer::configure() must me executed");
    return;
  }
  threadGroupId = ACE_Thread_Manager::instance()->spawn(serverSvc, this, 0, nullptr, nullptr, 0,
                                                        threadGroupId, nullptr, 0, nullptr);
  if (threadGroupId == -1) {
    FT_LOG_WARNING(kClass, L"[CQFTServer::run()] Can't spawn main server thread.");
  } else {
    usedGroups.push_back(threadGroupId);
  }
  FT_LOG_TRACE(kClass, L"[CQFTServer::run()]: Method end.");
}

void CQFTServer::stop() {
  FT_LOG_TRACE(kClass, L"[CQFTServer::stop()]: Method started.");
  reactor.end_reactor_event_loop();
  cleanUp();
  FT_LOG_TRACE(kClass, L"[CQFTServer::stop()]: Method end.");
}

void CQFTServer::cleanUp() {
  if (threadGroupId == -1) return;
  ACE_Thread_Manager* manager = ACE_Thread_Manager::instance();
  manager->cancel_grp(threadGroupId, 0);
  manager->wait_grp(threadGroupId);
  threadGroupId = -1;
}

// Connection threads are detached and run this module's code to their last
// instruction: wake their receives and outwait them.
void CQFTServer::waitForConnections() {
  connections.shutdownAll();
  ACE_Thread_Manager* manager = ACE_Thread_Manager::instance();
  const auto start = std::chrono::steady_clock::now();
  bool noticed = false;
  for (int group : usedGroups) {
    ACE_thread_t thread;
    while (manager->thread_grp_list(group, &thread, 1) > 0) {
      if (!noticed && std::chrono::steady_clock::now() - start > kSlowShutdownNotice) {
        FT_LOG_WARNING(kClass,
                       L"[CQFTServer::~CQFTServer()]: still waiting for %d connections to end",
                       connections.size());
        noticed = true;
      }
      std::this_thread::sleep_for(kThreadPollInterval);
    }
  }
  usedGroups.clear();
}
