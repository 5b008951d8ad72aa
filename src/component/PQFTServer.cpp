#include "component/PQFTServer.h"

#include "EventDestroyingComponent.h"
#include "platform/FtLog.h"

namespace {
const wchar_t* const kClass = L"PQFTServer";
}

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
  if (component_ != nullptr)
    component_->run();
  else
    FT_LOG_WARNING(kClass, L"[PQFTServer::run()]: Component not loaded.");
  FT_LOG_TRACE(kClass, L"[PQFTServer::run()]: Method end.");
}

bool PQFTServer::configure(const QString& ecuName) {
  FT_LOG_TRACE(kClass, L"[PQFTServer::configure()]: Method started.");
  bool result = false;
  if (component_ != nullptr)
    result = component_->configure(ecuName);
  else
    FT_LOG_WARNING(
        kClass,
        L"[PQFTServer::configure(const QString, const QString) : bool]: Component not loaded.");
  FT_LOG_TRACE(kClass, L"[PQFTServer::configure()]: Method end.");
  return result;
}

void PQFTServer::stop() {
  FT_LOG_TRACE(kClass, L"[PQFTServer::stop()]: Method started.");
  if (component_ != nullptr)
    component_->stop();
  else
    FT_LOG_WARNING(kClass, L"[PQFTServer::stop()]: Component not loaded.");
  FT_LOG_TRACE(kClass, L"[PQFTServer::stop()]: Method end.");
}
