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
  int getPort() const { return port_; }
  // The IPv4 address to bind, host byte order; meaningful when hasListenAddress.
  uint32_t getListenAddress() const { return listenAddress_; }
  bool hasListenAddress() const { return listenAddressValid_; }
  ACE_Reactor* getReactor() { return &reactor_; }
  ConnectionRegistry* getConnections() { return &connections_; }

 private:
  void cleanUp();
  // The settings beyond the port: listen address, connection limit, time-outs.
  void readConnectionSettings(IDataManager* dataManager);
  void waitForConnections();

  int port_ = 0;
  int threadGroupId_ = -1;
  ACE_Reactor reactor_;

  uint32_t listenAddress_ = 0;  // all interfaces
  bool listenAddressValid_ = true;
  ConnectionRegistry connections_;
  // Every thread group a run created; host thread only.
  std::vector<int> usedGroups_;
};
