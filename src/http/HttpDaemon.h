#pragma once

#include <ace/SOCK_Stream.h>
#include <ace/Svc_Handler.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>

#include "http/ConnectionContext.h"
#include "http/RequestLine.h"
#include "http/RequestRouter.h"

class ConnectionRegistry;
class ReplyFile;
struct Reply;

// One accepted connection, served on the thread that accepted it: the
// request, at most one reply; then it closes.
class HttpDaemon : public ACE_Svc_Handler<ACE_SOCK_Stream, ACE_NULL_SYNCH> {
 public:
  // context: its router must be set.
  explicit HttpDaemon(const ConnectionContext& context);
  ~HttpDaemon() override;

  // Serves a connection accepted from the server's socket on the calling
  // thread, if the context's registry admits it, and closes it.
  static void serve(ACE_HANDLE handle, const ConnectionContext& context);

  // Reads the request on the connection and answers it; -1 when nothing was
  // answered.
  int process();

 private:
  // Answers the request text on the socket; always 0.
  int processRequest(const QString& request);
  // Receives into the thread's buffer until the request line is complete or
  // the peer stops sending; false (the reason logged) when a limit ends it
  // first or nothing came: then nothing is answered.
  bool receiveRequest(size_t& length);
  // After a receive gave up waiting: true, the socket set to wait what is
  // left, unless the receive time-out has run out.
  bool waitLonger(std::chrono::steady_clock::time_point deadline);
  // The socket's receive waits no longer than until deadline.
  void waitUntil(std::chrono::steady_clock::time_point deadline);
  void reportUnanswered(ssize_t count, int receiveError, size_t length);
  // The request line and its route, from the bytes received when the line
  // ended: later bytes cannot change it.
  void parseRequestLine(const char* bytes, size_t length);
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
  // From the registry's settings; 0 waits without limit.
  int receiveTimeoutMs_ = 0;
  RequestLine line_;
  RequestRouter::Route route_;
  // When the request began, for the request log.
  std::chrono::steady_clock::time_point started_;
};
