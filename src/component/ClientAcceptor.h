#pragma once

#include <ace/Acceptor.h>
#include <ace/SOCK_Acceptor.h>

#include "http/ConnectionContext.h"
#include "http/HttpDaemon.h"

// Accepts connections on the listener thread and hands each to a new HttpDaemon,
// given the router, the registry and the listener's thread group.
class ClientAcceptor : public ACE_Acceptor<HttpDaemon, ACE_SOCK_Acceptor> {
 public:
  explicit ClientAcceptor(const ConnectionContext& context);
  ~ClientAcceptor() override;

 protected:
  // Out of descriptors, accepting at once again would only fail again: the
  // acceptor pauses for limits::kAcceptBackoffMs instead of spinning.
  int handle_accept_error() override;
  int handle_timeout(const ACE_Time_Value& now, const void* act) override;
  int make_svc_handler(HttpDaemon*& daemon) override;
  int activate_svc_handler(HttpDaemon* daemon) override;

 private:
  const ConnectionContext context_;
  // Listener thread only: set from the first failed accept until one succeeds.
  bool outOfDescriptors_ = false;
  ACE_Reactor* timerReactor_ = nullptr;  // where a resume is scheduled
};
