#pragma once

#include <ace/SOCK_Stream.h>
#include <ace/Svc_Handler.h>

#include <QString>

class ConnectionRegistry;

// Serves one accepted connection on a detached thread of its own: one receive,
// one request, at most one reply; then it closes and deletes itself.
class HttpDaemon : public ACE_Svc_Handler<ACE_SOCK_Stream, ACE_NULL_SYNCH> {
 public:
  HttpDaemon();
  ~HttpDaemon() override;

  int handle_input(ACE_HANDLE handle) override;
  int handle_close(ACE_HANDLE handle = ACE_INVALID_HANDLE,
                   ACE_Reactor_Mask mask = ACE_Event_Handler::ALL_EVENTS_MASK) override;
  // acceptor: the ClientAcceptor that accepted the connection, or null.
  int open(void* acceptor) override;
  int close(u_long flags = 0) override;
  int svc() override;

  int process();
  // Answers the request text on the socket; always 0.
  int processRequest(const QString& request);

 private:
  // Sends the reply in one call; a client that has gone must not kill the host.
  void sendReply(const QByteArray& reply);

  // The server's registry, which outlives every connection; null when the
  // handler was not opened by a server's acceptor.
  ConnectionRegistry* registry = nullptr;
  // Copied in open; 0 waits without limit.
  int receiveTimeoutMs = 0;
};
