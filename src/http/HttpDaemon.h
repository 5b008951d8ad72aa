#pragma once

#include <ace/SOCK_Stream.h>
#include <ace/Svc_Handler.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>

#include "http/ConnectionContext.h"

class ConnectionRegistry;
class ReplyFile;
struct Reply;
struct RequestLine;

// Serves one accepted connection on a thread of its own: the request, at
// most one reply; then it closes and deletes itself.
class HttpDaemon : public ACE_Svc_Handler<ACE_SOCK_Stream, ACE_NULL_SYNCH> {
 public:
  // context: its router must be set.
  explicit HttpDaemon(const ConnectionContext& context);
  // ACE's acceptor template asks for it; with no router nothing is served.
  HttpDaemon();
  ~HttpDaemon() override;

  int handle_input(ACE_HANDLE handle) override;
  int handle_close(ACE_HANDLE handle = ACE_INVALID_HANDLE,
                   ACE_Reactor_Mask mask = ACE_Event_Handler::ALL_EVENTS_MASK) override;
  // Joins the context's registry and thread group, or is served alone.
  int open(void* acceptor) override;
  int close(u_long flags = 0) override;
  int svc() override;

  int process();
  // Answers the request text on the socket; always 0. Needs the router.
  int processRequest(const QString& request);

 private:
  // Receives into the thread's buffer until the request line is complete or
  // the peer stops sending; false (the reason logged) when a limit ends it
  // first or nothing came: then nothing is answered.
  bool receiveRequest(size_t& length);
  // Marks the head cut, says why, and goes on with the request.
  bool cutHead(size_t length, bool timedOut);
  // The reply, its file included; the number of bytes that left.
  long long sendReply(Reply& reply);
  void notifyStopEvents(int count, const QStringList& headers);
  long long sendFile(ReplyFile& file);
  void reportSendFailure();
  // withBody: the line ends with ": " and the start of the reply's body.
  void logRequest(const RequestLine& line, const Reply& reply, long long sentBytes, bool withBody);

  const ConnectionContext context_;
  // The context's registry once this connection is in it; null before, and
  // when the connection is served alone.
  ConnectionRegistry* registry_ = nullptr;
  // The head ended neither at its blank line nor with the peer's end of
  // sending: the time-out, the size limit or a NUL came first.
  bool headCut_ = false;
  // Copied in open; 0 waits without limit.
  int receiveTimeoutMs_ = 0;
  // When the request began, for the request log.
  std::chrono::steady_clock::time_point started_;
};
