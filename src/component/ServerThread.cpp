#include "component/ServerThread.h"

#include <ace/INET_Addr.h>
#include <ace/OS_NS_Thread.h>
#include <ace/OS_NS_sys_socket.h>
#include <ace/SOCK_Acceptor.h>
#include <ace/Thread_Manager.h>

#include <algorithm>

#include "component/CQFTServer.h"
#include "dispatch/CommandRouter.h"
#include "platform/FtLog.h"
#include "platform/Limits.h"
#include "platform/Platform.h"

namespace {
const wchar_t* const kClass = L"CQFTServer";
}

ACE_THR_FUNC_RETURN serverSvc(void* arg) {
  Platform::setCurrentThreadName("QFTServer::serverSvc");
  FT_LOG_TRACE(kClass, L"[serverSvc()]: Method started.");
  auto* server = static_cast<CQFTServer*>(arg);
  ACE_Reactor* reactor = server->getReactor();
  // The reactor belongs to the thread that built it; only its owner may run
  // the event loop. A signal must not end the loop either.
  reactor->owner(ACE_Thread::self());
  reactor->restart(true);

  int groupId = -1;
  ACE_Thread_Manager::instance()->get_grp(ACE_OS::thr_self(), groupId);
  ConnectionRegistry* connections = server->getConnections();
  static const CommandRouter router;
  const ConnectionContext context{&router, connections, groupId};

  const CQFTServer::Endpoint endpoint = server->getEndpoint();
  const ACE_INET_Addr address(static_cast<u_short>(endpoint.port & 0xFFFF),
                              static_cast<ACE_UINT32>(endpoint.address));
  ACE_SOCK_Acceptor acceptor;
  if (!endpoint.addressValid || acceptor.open(address, 1, PF_INET, limits::kListenBacklog) == -1) {
    FT_LOG_TRACE(kClass, L"[ServerThread::run()]: error opening port.");
    return reinterpret_cast<ACE_THR_FUNC_RETURN>(1);
  }
  const ACE_HANDLE listening = acceptor.get_handle();
  Platform::setCloseOnExec(listening);
  // Accepted sockets inherit these, which saves two calls per connection. An
  // accept waits no longer than a receive, nor than kIdleThreadRetireMs:
  // then its thread retires unless it is the last one accepting. A receive
  // that has waited this long and may wait longer sets its own time-out.
  const ConnectionRegistry::Settings settings = connections->settings();
  Platform::setReceiveTimeout(listening,
                              settings.receiveTimeoutMs > 0
                                  ? std::min(settings.receiveTimeoutMs, limits::kIdleThreadRetireMs)
                                  : limits::kIdleThreadRetireMs);
  Platform::setSendTimeout(listening, settings.sendTimeoutMs);
  // The pool owns the socket from here on.
  acceptor.set_handle(ACE_INVALID_HANDLE);
  if (!connections->pool().start(listening, context)) {
    FT_LOG_TRACE(kClass, L"[ServerThread::run()]: error opening port.");
    return reinterpret_cast<ACE_THR_FUNC_RETURN>(1);
  }

  FT_LOG_TRACE(kClass, L"[serverSvc()]: starting up server daemon");
  // Nothing is registered: the loop only waits for the server's stop, and an
  // ended loop stays ended, so a stopped server is not started again.
  while (reactor->handle_events() != -1) {
  }
  FT_LOG_TRACE(kClass, L"[serverSvc()]: shutting down server daemon");
  connections->pool().stop();
  return nullptr;
}
