#pragma once

#include <QString>

#include "ProxyComponent.h"
#include "component/IQFTServer.h"

// What the host holds instead of the server: forwards to it until the host
// announces its destruction, then refuses with a warning.
class PQFTServer : public ProxyComponent, public IQFTServer {
 public:
  explicit PQFTServer(IComponent* component);
  ~PQFTServer() override;

  void handleEvent(const EventDestroyingComponent& event) override;
  using ProxyComponent::run;
  void run() override;
  bool configure(const QString& ecuName) override;
  void stop() override;

 private:
  // Null once unbound. The host must not announce the destruction while a
  // forwarded call runs, so no lock.
  IQFTServer* component_;
};
