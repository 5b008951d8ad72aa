#include "LoadedComponent.h"

#include <QString>

#include "IComponent.h"
#include "ProxyComponent.h"
#include "SimulationClock.h"
#include "StandinEvents.h"
#include "component/IQFTServer.h"

bool LoadedComponent::load(const std::string& modulePath, const std::string& ecu,
                           std::string& error) {
  if (!module_.open(modulePath, error)) return false;
  component_ = module_.createComponent()(id_);
  if (component_ == nullptr) {
    error = "module " + modulePath + " created no component for " + kId;
    return false;
  }
  proxy_ = module_.createProxy()(id_, component_);
  if (proxy_ == nullptr) {
    error = "module " + modulePath + " created no proxy for " + kId;
    return false;
  }
  server_ = dynamic_cast<IQFTServer*>(proxy_);
  if (server_ == nullptr) {
    error = "the proxy of module " + modulePath + " offers no server interface";
    return false;
  }
  component_->init();
  proxy_->Register(id_);
  registered_ = true;
  if (!server_->configure(QString::fromStdString(ecu))) {
    error = "the component refused configure(" + ecu + ")";
    return false;
  }
  return true;
}

void LoadedComponent::run() {
  server_->run();
  running_ = true;
}

void LoadedComponent::unload() {
  if (running_) {
    // A query waiting out its simulated delay would hold the stop up.
    SimulationClock::interruptSleeps();
    server_->stop();
  }
  // Destruction is announced first so that the proxy lets go before the component goes.
  if (component_ != nullptr) StandinEvents::announceDestroying(id_);
  delete proxy_;
  delete component_;
  if (registered_) StandinEvents::shutdown();
  module_.close();
  component_ = nullptr;
  proxy_ = nullptr;
  server_ = nullptr;
  registered_ = false;
  running_ = false;
}
