#pragma once

#include <ace/Reactor.h>

#include <QString>
#include <cstdint>
#include <vector>

#include "CComponent_Thread_Ref.h"
#include "component/IQFTServer.h"
#include "http/ConnectionRegistry.h"

class IDataManager;

// The FT server component: configured with an ECU name, it listens on its port
// from run to stop, on a listener thread that hands each connection to a
// thread of its own.
class CQFTServer : public CComponent_Thread_Ref, public IQFTServer {
 public:
  explicit CQFTServer(const ID& id);
  // Waits until every connection thread of the server has ended, so that the
  // module may be unloaded afterwards.
  ~CQFTServer() override;

  bool init() override;
  using CComponent_Thread_Ref::run;
  void run() override;
  bool configure(const QString& ecuName) override;
  void stop() override;

  // Read by the listener thread; written by configure, which precedes run.
  int getPort() const { return port; }
  // The IPv4 address to bind, host byte order; meaningful when hasListenAddress.
  uint32_t getListenAddress() const { return listenAddress; }
  bool hasListenAddress() const { return listenAddressValid; }
  ACE_Reactor* getReactor() { return &reactor; }
  ConnectionRegistry* getConnections() { return &connections; }

 private:
  void cleanUp();
  // The settings beyond the port: listen address, connection limit, receive time-out.
  void readConnectionSettings(IDataManager* dataManager);
  void waitForConnections();

  int port = 0;
  int threadGroupId = -1;
  ACE_Reactor reactor;

  uint32_t listenAddress = 0;  // INADDR_ANY
  bool listenAddressValid = true;
  ConnectionRegistry connections;
  // Every thread group a run created; host thread only.
  std::vector<int> usedGroups;
};
