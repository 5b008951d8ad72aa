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

  ConnectionRegistry* getRegistry() const { return registry_; }
  // The listener's thread group; connection threads join it.
  int getThreadGroupId() const { return threadGroupId_; }

 protected:
  // Out of descriptors, accepting at once again would only fail again: the
  // acceptor pauses for limits::kAcceptBackoffMs instead of spinning.
  int handle_accept_error() override;
  int handle_timeout(const ACE_Time_Value& now, const void* act) override;
  int activate_svc_handler(HttpDaemon* daemon) override;

 private:
  int threadGroupId_;
  ConnectionRegistry* registry_;
  // Listener thread only: set from the first failed accept until one succeeds.
  bool outOfDescriptors_ = false;
  ACE_Reactor* timerReactor_ = nullptr;  // where a resume is scheduled
};
