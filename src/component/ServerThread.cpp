#include "component/ServerThread.h"

#include <ace/INET_Addr.h>
#include <ace/OS_NS_Thread.h>
#include <ace/OS_NS_sys_socket.h>
#include <ace/Thread_Manager.h>

#include <memory>

#include "component/CQFTServer.h"
#include "component/ClientAcceptor.h"
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
  static const CommandRouter router;
  auto acceptor = std::make_unique<ClientAcceptor>(
      ConnectionContext{&router, server->getConnections(), groupId});

  const CQFTServer::Endpoint endpoint = server->getEndpoint();
  const ACE_INET_Addr address(static_cast<u_short>(endpoint.port & 0xFFFF),
                              static_cast<ACE_UINT32>(endpoint.address));
  if (!endpoint.addressValid || acceptor->open(address, reactor, 0, 1, 1) == -1) {
    FT_LOG_TRACE(kClass, L"[ServerThread::run()]: error opening port.");
    return reinterpret_cast<ACE_THR_FUNC_RETURN>(1);
  }
  const ACE_HANDLE listening = acceptor->acceptor().get_handle();
  // ACE listens with a backlog of 5, too few for a page's burst of connects.
  ACE_OS::listen(listening, limits::kListenBacklog);
  Platform::setCloseOnExec(listening);
  // Accepted sockets inherit these, which saves two calls per connection.
  const ConnectionRegistry::Settings settings = server->getConnections()->settings();
  Platform::setReceiveTimeout(listening, settings.receiveTimeoutMs);
  Platform::setSendTimeout(listening, settings.sendTimeoutMs);

  FT_LOG_TRACE(kClass, L"[serverSvc()]: starting up server daemon");
  while (reactor->handle_events() != -1) {
  }
  FT_LOG_TRACE(kClass, L"[serverSvc()]: shutting down server daemon");
  acceptor.reset();
  return nullptr;
}
