#include "http/HttpDaemon.h"

#include <ace/INET_Addr.h>
#include <ace/OS_NS_fcntl.h>
#include <ace/Time_Value.h>

#include <QByteArray>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <memory>

#include "component/ClientAcceptor.h"
#include "dispatch/CommandHandlerBase.h"
#include "dispatch/ResponseConstants.h"
#include "dispatch/URLCommandFactory.h"
#include "handlers/CrossSiteGuard.h"
#include "http/ConnectionRegistry.h"
#include "http/RequestDesc.h"
#include "http/RequestLine.h"
#include "platform/FtLog.h"

namespace {

const wchar_t* const kClass = L"HttpDaemon";

const char kMethodNotAllowedBody[] =
    "<html>\n<head>\n</head>\n<body>\n<h1>Method not allowed, this is a minimal server. I only "
    "accept GET and POST</h1>\n</body>\n</html>";

}  // namespace

HttpDaemon::HttpDaemon() : ACE_Svc_Handler<ACE_SOCK_Stream, ACE_NULL_SYNCH>(nullptr, nullptr) {}

HttpDaemon::~HttpDaemon() {
  FT_LOG_TRACE(kClass, L"[~HttpDaemon()]: Method called.");
  // Unregister before closing, so the server never shuts down a reused handle.
  if (registry != nullptr) registry->remove(peer().get_handle());
  peer().close();
}

int HttpDaemon::open(void* acceptor) {
  FT_LOG_TRACE(kClass, L"[open()]: Method started.");
  // The handler outlives the listener and its reactor; its destructor must not
  // reach for them.
  reactor(nullptr);

  ACE_INET_Addr peerAddress;
  if (peer().get_remote_addr(peerAddress) == -1) {
    FT_LOG_WARNING(kClass, L"[open()]: Error getting cliens address");
    return -1;
  }
  ACE_OS::fcntl(peer().get_handle(), F_SETFD, FD_CLOEXEC);

  int groupId = -1;
  if (auto* clientAcceptor = static_cast<ClientAcceptor*>(acceptor)) {
    groupId = clientAcceptor->threadGroupId;
    ConnectionRegistry* connections = clientAcceptor->getRegistry();
    if (connections != nullptr) {
      receiveTimeoutMs = connections->receiveTimeoutMs();
      if (!connections->add(peer().get_handle())) {
        FT_LOG_WARNING(kClass,
                       L"[open()]: %d connections are being served already, closing the new one "
                       L"without a reply",
                       connections->size());
        return -1;
      }
      registry = connections;
    }
  }
  return activate(THR_DETACHED, 1, 0, 0, groupId);
}

int HttpDaemon::svc() {
  FT_LOG_TRACE(kClass, L"[svc()]:Method called.");
  return process();
}

int HttpDaemon::handle_input(ACE_HANDLE) {
  return process();
}

int HttpDaemon::close(u_long flags) {
  FT_LOG_TRACE(kClass, L"[close()]: Method started.");
  // The base close deletes this handler: nothing of it may be touched after.
  int result = ACE_Svc_Handler<ACE_SOCK_Stream, ACE_NULL_SYNCH>::close(flags);
  FT_LOG_TRACE(kClass, L"[close()]: Method end.");
  return result;
}

int HttpDaemon::handle_close(ACE_HANDLE handle, ACE_Reactor_Mask mask) {
  FT_LOG_TRACE(kClass, L"[handle_close()]: Method started.");
  int result = ACE_Svc_Handler<ACE_SOCK_Stream, ACE_NULL_SYNCH>::handle_close(handle, mask);
  FT_LOG_TRACE(kClass, L"[handle_close()]: Method end.");
  return result;
}

// One receive of what the socket holds; the request text is those bytes as
// Latin-1 up to the first NUL.
int HttpDaemon::process() {
  FT_LOG_TRACE(kClass, L"[HttpDaemon::process()]:Method started.");
  iovec received{nullptr, 0};
  const ACE_Time_Value timeout(receiveTimeoutMs / 1000, (receiveTimeoutMs % 1000) * 1000);
  const ssize_t count = peer().recvv(&received, receiveTimeoutMs > 0 ? &timeout : nullptr);
  const int receiveError = errno;
  const std::unique_ptr<char[]> buffer(static_cast<char*>(received.iov_base));
  FT_LOG_INFO(kClass, L"[HttpDaemon::process() recvv returned %i bytes", static_cast<int>(count));

  if (count < 0 && receiveError == ETIME) {
    FT_LOG_WARNING(kClass,
                   L"[HttpDaemon::process() nothing received within %d ms, closing the connection "
                   L"without a reply",
                   receiveTimeoutMs);
    return -1;
  }
  if (count < 0) {
    FT_LOG_ERROR(kClass, L"[HttpDaemon::process() error %i reading socket, errno is %i",
                 static_cast<int>(count), receiveError);
    return -1;
  }
  if (count == 0) {
    FT_LOG_TRACE(kClass, L"[HttpDaemon::process() soket closed closing handle: %d",
                 static_cast<int>(peer().get_handle()));
    return -1;
  }

  const size_t length = static_cast<size_t>(count);
  FT_LOG_INFO(kClass, L"[HttpDaemon::process() bytes as ACE_CString: '%S'",
              ACE_CString(buffer.get(), length).c_str());
  const QString text =
      QString::fromLatin1(buffer.get(), static_cast<qsizetype>(strnlen(buffer.get(), length)));
  FT_LOG_INFO(kClass, L"[HttpDaemon::process() bytes as QString: '%s'", FT_W(text));

  if (text.isEmpty()) {
    FT_LOG_TRACE(kClass, L"[HttpDaemon::process()]:Method end.");
    return 0;
  }
  return processRequest(text);
}

// Only GET and POST are served, from the request line's target alone.
int HttpDaemon::processRequest(const QString& request) {
  FT_LOG_TRACE(kClass, L"[processRequest()]:Method started.");
  FT_LOG_INFO(kClass, L"[processRequest()]:request is '%s'.", FT_W(request));

  const QStringList pieces = request.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  const RequestLine line = RequestLine::parse(pieces.isEmpty() ? QString() : pieces.first());
  if (line.method != QLatin1String("GET") && line.method != QLatin1String("POST")) {
    FT_LOG_ERROR(kClass,
                 L"[HttpDaemon::processRequest()]: Method not allowed, only GET and POST commands "
                 L"are managed. This problem is known to occur with <embed/> tag. Consider using "
                 L"<object/> instead");
    QByteArray reply;
    toUtf8Bytes(
        QString::fromLatin1(HTTP_405_NOT_ALLOWED) + QString::fromLatin1(kMethodNotAllowedBody),
        reply);
    sendReply(reply);
    return 0;
  }

  if (!CrossSiteGuard::allows(line.target, pieces.mid(1))) {
    // A refused command's answer, without its stop event: a foreign page must
    // not end the scenario either.
    QByteArray refused;
    toUtf8Bytes(QString::fromLatin1(HTTP_404_NOT_FOUND), refused);
    sendReply(refused);
    return 0;
  }

  RequestDesc desc;
  desc.setRequest(line.target);
  FT_LOG_TRACE(kClass, L"[processNextRequest()]: decoded Request [%s]", FT_W(line.target));

  URLCommandFactory* factory = URLCommandFactory::getInstance();
  std::shared_ptr<CommandHandlerBase> handler(factory != nullptr ? factory->getCommandFromURL(desc)
                                                                 : nullptr);
  QByteArray reply;
  if (!handler || !handler->processRequest(reply)) {
    FT_LOG_ERROR(kClass, L"[processNextRequest()]: processRequest failed");
    toUtf8Bytes(QString::fromLatin1(HTTP_404_NOT_FOUND), reply);
    notifyStopScenario();
  }
  sendReply(reply);
  FT_LOG_INFO(kClass, L"[processNextRequest()]: reply to Request [%s] sent", FT_W(line.target));
  FT_LOG_TRACE(kClass, L"[process()]: end processing %s", FT_W(line.target));
  handler.reset();
  return 0;
}

void HttpDaemon::sendReply(const QByteArray& reply) {
  peer().send_n(reply.constData(), static_cast<size_t>(reply.size()), MSG_NOSIGNAL);
}
