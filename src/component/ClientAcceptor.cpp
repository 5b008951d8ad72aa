#include "component/ClientAcceptor.h"

#include "platform/FtLog.h"

ClientAcceptor::ClientAcceptor(int groupId, ConnectionRegistry* connections)
    : ACE_Acceptor<HttpDaemon, ACE_SOCK_Acceptor>(nullptr, 1),
      threadGroupId(groupId),
      registry(connections) {}

ClientAcceptor::~ClientAcceptor() {
  FT_LOG_TRACE(L"ClientAcceptor", L"[~ClientAcceptor()]: Method called.");
}
