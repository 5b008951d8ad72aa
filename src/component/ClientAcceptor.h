#pragma once

#include <ace/Acceptor.h>
#include <ace/SOCK_Acceptor.h>

#include "http/HttpDaemon.h"

class ConnectionRegistry;

// Accepts connections on the listener thread and hands each to a new HttpDaemon,
// which reads the thread group and the registry from here.
class ClientAcceptor : public ACE_Acceptor<HttpDaemon, ACE_SOCK_Acceptor> {
 public:
  explicit ClientAcceptor(int threadGroupId, ConnectionRegistry* registry = nullptr);
  ~ClientAcceptor() override;

  ConnectionRegistry* getRegistry() const { return registry; }

  // The listener's thread group; connection threads join it.
  int threadGroupId;

 private:
  ConnectionRegistry* registry;
};
