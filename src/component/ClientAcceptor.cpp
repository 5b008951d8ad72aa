#include "component/ClientAcceptor.h"

#include <ace/OS_NS_errno.h>
#include <ace/Reactor.h>

#include <new>

#include "platform/FtLog.h"
#include "platform/Limits.h"
#include "platform/Platform.h"

namespace {
const wchar_t* const kClass = L"ClientAcceptor";
}

ClientAcceptor::ClientAcceptor(const ConnectionContext& context)
    : ACE_Acceptor<HttpDaemon, ACE_SOCK_Acceptor>(nullptr, 1), context_(context) {}

ClientAcceptor::~ClientAcceptor() {
  FT_LOG_TRACE(kClass, L"[~ClientAcceptor()]: Method called.");
  // A pending resume would call into a deleted acceptor.
  if (timerReactor_ != nullptr) timerReactor_->cancel_timer(this);
}

int ClientAcceptor::handle_accept_error() {
  const int error = ACE_OS::last_error();
  if (!Platform::isOutOfDescriptors(error) || reactor() == nullptr) return 0;
  if (!outOfDescriptors_) {
    FT_LOG_WARNING(kClass,
                   L"[ClientAcceptor::handle_accept_error()]: out of file descriptors (errno %d), "
                   L"new connections wait in the backlog until some are free",
                   error);
    outOfDescriptors_ = true;
  }
  reactor()->suspend_handler(this);
  timerReactor_ = reactor();
  reactor()->schedule_timer(this, nullptr, ACE_Time_Value(0, limits::kAcceptBackoffMs * 1000L));
  return 0;
}

int ClientAcceptor::handle_timeout(const ACE_Time_Value&, const void*) {
  if (reactor() != nullptr) reactor()->resume_handler(this);
  return 0;
}

int ClientAcceptor::make_svc_handler(HttpDaemon*& daemon) {
  if (daemon == nullptr) daemon = new (std::nothrow) HttpDaemon(context_);
  return daemon != nullptr ? 0 : -1;
}

int ClientAcceptor::activate_svc_handler(HttpDaemon* daemon) {
  if (outOfDescriptors_) {
    FT_LOG_WARNING(kClass,
                   L"[ClientAcceptor::activate_svc_handler()]: accepting connections again");
    outOfDescriptors_ = false;
  }
  return ACE_Acceptor<HttpDaemon, ACE_SOCK_Acceptor>::activate_svc_handler(daemon);
}
