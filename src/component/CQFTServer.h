#pragma once

#include <ace/Reactor.h>

#include <QString>
#include <cstdint>
#include <mutex>
#include <vector>

#include "CComponent_Thread_Ref.h"
#include "component/IQFTServer.h"
#include "http/ConnectionRegistry.h"

class IDataManager;

// The FT server component: configured with an ECU name, it listens on its port
// from run to stop; each connection is served by the thread that accepted it.
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

  // Where to listen, read whole: a host may configure again while the
  // listener starts up.
  struct Endpoint {
    int port = 0;
    uint32_t address = 0;  // IPv4, host byte order; 0 is all interfaces
    bool addressValid = true;
  };
  Endpoint getEndpoint() const;
  ACE_Reactor* getReactor() { return &reactor_; }
  ConnectionRegistry* getConnections() { return &connections_; }

 private:
  void cleanUp();
  // The listen address, the connection limit and the time-outs.
  void readConnectionSettings(IDataManager* dataManager, Endpoint& endpoint);
  void waitForConnections();

  // Guards endpoint_: configure writes it on the host's thread, the listener
  // thread reads it.
  mutable std::mutex endpointGuard_;
  Endpoint endpoint_;
  int threadGroupId_ = -1;
  ACE_Reactor reactor_;

  ConnectionRegistry connections_;
  // Every thread group a run created; host thread only.
  std::vector<int> usedGroups_;
};
