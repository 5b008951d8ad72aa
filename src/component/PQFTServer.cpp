#include "component/PQFTServer.h"

#include "EventDestroyingComponent.h"
#include "platform/FtLog.h"

namespace {
const wchar_t* const kClass = L"PQFTServer";

// The server to forward to; nullptr, with the warning, when none is loaded.
IQFTServer* loaded(IQFTServer* component, const wchar_t* caller) {
  if (component == nullptr)
    FT_LOG_WARNING(kClass, L"[PQFTServer::%s]: Component not loaded.", caller);
  return component;
}
}  // namespace

PQFTServer::PQFTServer(IComponent* wrapped)
    : ProxyComponent(wrapped), component_(dynamic_cast<IQFTServer*>(wrapped)) {
  FT_LOG_TRACE(kClass, L"[PQFTServer::PQFTServer()]: Method called.");
}

PQFTServer::~PQFTServer() {
  FT_LOG_TRACE(kClass, L"[PQFTServer::~PQFTServer()]: Method called.");
  component_ = nullptr;
}

void PQFTServer::handleEvent(const EventDestroyingComponent& event) {
  FT_LOG_TRACE(kClass, L"[PQFTServer::handleEvent()]: Method started.");
  if (event.getComponentID() == getID()) component_ = nullptr;
  FT_LOG_TRACE(kClass, L"[PQFTServer::handleEvent()]: Method end.");
}

void PQFTServer::run() {
  FT_LOG_TRACE(kClass, L"[PQFTServer::run()]: Method started.");
  if (IQFTServer* server = loaded(component_, L"run()")) server->run();
  FT_LOG_TRACE(kClass, L"[PQFTServer::run()]: Method end.");
}

bool PQFTServer::configure(const QString& ecuName) {
  FT_LOG_TRACE(kClass, L"[PQFTServer::configure()]: Method started.");
  bool result = false;
  if (IQFTServer* server = loaded(component_, L"configure(const QString, const QString) : bool"))
    result = server->configure(ecuName);
  FT_LOG_TRACE(kClass, L"[PQFTServer::configure()]: Method end.");
  return result;
}

void PQFTServer::stop() {
  FT_LOG_TRACE(kClass, L"[PQFTServer::stop()]: Method started.");
  if (IQFTServer* server = loaded(component_, L"stop()")) server->stop();
  FT_LOG_TRACE(kClass, L"[PQFTServer::stop()]: Method end.");
}
