#pragma once

#include <string>

#include "ComponentModule.h"
#include "ID.h"

class IComponent;
class IQFTServer;
class ProxyComponent;

// The component as the host runs it: its module loaded, the component and its proxy created,
// initialised, registered and configured for one ECU, then run. Whatever of that was done is
// undone by unload, or when this object goes, last step first.
class LoadedComponent {
 public:
  static constexpr const char* kId = "makora:ZRKOrvaneFTServer?OrvFTServer";

  LoadedComponent() = default;
  ~LoadedComponent() { unload(); }
  LoadedComponent(const LoadedComponent&) = delete;
  LoadedComponent& operator=(const LoadedComponent&) = delete;

  // False with a one-line error at the first step that fails.
  bool load(const std::string& modulePath, const std::string& ecu, std::string& error);
  // Once load succeeded.
  void run();
  IQFTServer& server() const { return *server_; }
  void unload();

 private:
  ComponentModule module_;
  ID id_{kId};
  IComponent* component_ = nullptr;
  ProxyComponent* proxy_ = nullptr;
  IQFTServer* server_ = nullptr;
  bool registered_ = false;  // the host's events then need shutting down
  bool running_ = false;
};
