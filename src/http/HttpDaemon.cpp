#include "http/HttpDaemon.h"

#include <ace/OS_NS_errno.h>
#include <ace/OS_NS_unistd.h>

#include <QStringList>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "http/ConnectionRegistry.h"
#include "http/CrossSiteGuard.h"
#include "http/Reply.h"
#include "http/ReplyFile.h"
#include "http/RequestLine.h"
#include "http/RequestRouter.h"
#include "platform/FtLog.h"
#include "platform/Limits.h"
#include "platform/Platform.h"

namespace {

const wchar_t* const kClass = L"HttpDaemon";
const wchar_t* const kRequestLog = L"RequestLog";

const char kMethodNotAllowedBody[] =
    "<html>\n<head>\n</head>\n<body>\n<h1>Method not allowed, this is a minimal server. I only "
    "accept GET and POST</h1>\n</body>\n</html>";

using Clock = std::chrono::steady_clock;

// Kept per connection thread, so that a request costs no allocation.
thread_local std::vector<char> tReceiveBuffer;
thread_local std::vector<char> tChunkBuffer;

bool endsRequestLine(const char* bytes, size_t size) {
  return std::memchr(bytes, '\n', size) != nullptr || std::memchr(bytes, '\0', size) != nullptr;
}

// Where the head ends, searched in the bytes from `from` on (a blank line may
// straddle two reads) and past the empty lines before the request line: 0
// while it goes on, 1 at its blank line, 2 at a NUL before it, which cuts the
// text and so the head.
int headEnd(const char* bytes, size_t length, size_t from) {
  size_t lineBegin = 0;
  while (lineBegin + 1 < length && bytes[lineBegin] == '\r' && bytes[lineBegin + 1] == '\n')
    lineBegin += 2;
  for (size_t i = std::max(from >= 2 ? from - 2 : 0, lineBegin); i < length; ++i) {
    if (bytes[i] == '\0') return 2;
    if (bytes[i] != '\n') continue;
    if (i + 1 < length && bytes[i + 1] == '\n') return 1;
    if (i + 2 < length && bytes[i + 1] == '\r' && bytes[i + 2] == '\n') return 1;
  }
  return 0;
}

// Where the request line of a request text begins and ends (before its line
// feed, or the text's end); leading "\r\n"s are skipped as the request line
// is the first piece that is not empty.
std::pair<qsizetype, qsizetype> requestLineOf(const QString& request) {
  const QLatin1String crlf("\r\n");
  qsizetype begin = 0;
  while (request.mid(begin, 2) == crlf) begin += 2;
  const qsizetype end = request.indexOf(crlf, begin);
  return {begin, end};
}

// The lines after the request line up to the head's blank line, each without
// its line end; a bare line feed ends a line too.
QStringList headerLinesOf(const QString& request, qsizetype lineBegin) {
  QStringList lines;
  qsizetype at = request.indexOf(u'\n', lineBegin);
  while (at >= 0) {
    const qsizetype next = request.indexOf(u'\n', at + 1);
    QStringView line = QStringView(request).mid(at + 1, next < 0 ? -1 : next - at - 1);
    if (line.endsWith(u'\r')) line.chop(1);
    if (line.isEmpty()) break;
    lines.append(line.toString());
    at = next;
  }
  return lines;
}

// A client's text in a log line: control characters would let it forge lines.
std::wstring escaped(const QString& text) {
  std::wstring out;
  out.reserve(static_cast<size_t>(text.size()));
  for (const QChar c : text) {
    const char16_t code = c.unicode();
    if (code < 0x20 || code == 0x7F || code == u'\\') {
      wchar_t hex[8];
      std::swprintf(hex, 8, code == u'\\' ? L"\\\\" : L"\\x%02X", static_cast<unsigned>(code));
      out += hex;
    } else {
      out += static_cast<wchar_t>(code);
    }
  }
  return out;
}

}  // namespace

HttpDaemon::HttpDaemon(const ConnectionContext& context)
    : ACE_Svc_Handler<ACE_SOCK_Stream, ACE_NULL_SYNCH>(nullptr, nullptr), context_(context) {}

HttpDaemon::~HttpDaemon() {
  FT_LOG_TRACE(kClass, L"[~HttpDaemon()]: Method called.");
  // Unregister before closing, so the server never shuts down a reused handle.
  if (registry_ != nullptr) registry_->remove(peer().get_handle());
  peer().close();
}

// The connection's life as its log has always told it: opened, served on its
// thread (or turned away at the cap), closed and deleted.
void HttpDaemon::serve(ACE_HANDLE handle, const ConnectionContext& context) {
  FT_LOG_TRACE(kClass, L"[open()]: Method started.");
  {
    HttpDaemon daemon(context);
    daemon.peer().set_handle(handle);
    ConnectionRegistry& registry = *context.registry;
    if (registry.add(handle)) {
      daemon.registry_ = &registry;
      // The socket has the time-outs already: it inherits them from the listener.
      daemon.receiveTimeoutMs_ = registry.settings().receiveTimeoutMs;
      FT_LOG_TRACE(kClass, L"[svc()]:Method called.");
      daemon.process();
    } else {
      FT_LOG_WARNING(kClass,
                     L"[open()]: %d connections are being served already, closing the new one "
                     L"without a reply",
                     registry.size());
    }
    FT_LOG_TRACE(kClass, L"[close()]: Method started.");
    FT_LOG_TRACE(kClass, L"[handle_close()]: Method started.");
  }
  FT_LOG_TRACE(kClass, L"[handle_close()]: Method end.");
  FT_LOG_TRACE(kClass, L"[close()]: Method end.");
}

// The request text is the received bytes as Latin-1 up to the first NUL.
int HttpDaemon::process() {
  FT_LOG_TRACE(kClass, L"[HttpDaemon::process()]:Method started.");
  started_ = Clock::now();
  size_t length = 0;
  if (!receiveRequest(length)) return -1;
  const char* bytes = tReceiveBuffer.data();

  FT_LOG_INFO(kClass, L"[HttpDaemon::process() bytes as ACE_CString: '%S'",
              std::string(bytes, length).c_str());
  const QString text = QString::fromLatin1(bytes, static_cast<qsizetype>(strnlen(bytes, length)));
  if (tReceiveBuffer.size() > static_cast<size_t>(limits::kKeptReceiveBufferBytes))
    std::vector<char>().swap(tReceiveBuffer);
  FT_LOG_INFO(kClass, L"[HttpDaemon::process() bytes as QString: '%s'", FT_W(text));

  if (text.isEmpty()) {
    FT_LOG_TRACE(kClass, L"[HttpDaemon::process()]:Method end.");
    return 0;
  }
  return processRequest(text);
}

// Reads until the request line has ended (a line feed or a NUL, where the
// text is cut anyway); what arrived beyond the line in the same reads is kept,
// as one receive always did. A command's head is read to its blank line, so
// that the cross-site guard sees every header: a head cut by the time-out or
// the size limit is processed as cut (headCut_). A peer that stops sending
// before the line ends may have died mid-request: its request is dropped,
// never acted on cut.
bool HttpDaemon::receiveRequest(size_t& length) {
  std::vector<char>& buffer = tReceiveBuffer;
  if (buffer.empty()) buffer.resize(limits::kKeptReceiveBufferBytes);
  const auto deadline = Clock::now() + std::chrono::milliseconds(receiveTimeoutMs_);
  length = 0;
  headCut_ = false;
  bool lineEnded = false;
  for (;;) {
    if (length == buffer.size()) {
      if (length >= static_cast<size_t>(limits::kMaxRequestBytes)) {
        if (lineEnded) return cutHead(length, false);
        FT_LOG_WARNING(kClass,
                       L"[HttpDaemon::process() the request exceeds %d bytes (kMaxRequestBytes) "
                       L"without a complete request line, closing the connection without a "
                       L"reply",
                       limits::kMaxRequestBytes);
        return false;
      }
      buffer.resize(std::min(buffer.size() * 2, static_cast<size_t>(limits::kMaxRequestBytes)));
    }
    const ssize_t count = peer().recv(buffer.data() + length, buffer.size() - length);
    const int receiveError = ACE_OS::last_error();
    if (count < 0 && Platform::isTimeout(receiveError) && waitLonger(deadline)) continue;
    if (count > 0) {
      if (length == 0 && registry_ != nullptr) registry_->noteSending(peer().get_handle());
      const size_t from = length;
      length += static_cast<size_t>(count);
      if (!lineEnded && endsRequestLine(buffer.data() + from, static_cast<size_t>(count))) {
        lineEnded = true;
        parseRequestLine(buffer.data(), length);
        // A command's whole head is read, for the cross-site guard; a GUI
        // file's is not needed, and its request line alone is served at once.
        if (!route_.isCommand) break;
      }
      if (lineEnded) {
        const int end = headEnd(buffer.data(), length, from);
        headCut_ = end == 2;
        if (end != 0) break;
      }
    } else if (count == 0 && lineEnded) {
      break;  // all the peer will send: its head ends here
    } else if (count == 0 && length > 0) {
      FT_LOG_WARNING(kClass,
                     L"[HttpDaemon::process() the peer stopped sending before the request line "
                     L"ended, %d bytes dropped, closing the connection without a reply",
                     static_cast<int>(length));
      return false;
    } else if (lineEnded && Platform::isTimeout(receiveError)) {
      return cutHead(length, true);
    } else {
      reportUnanswered(count, receiveError, length);
      return false;
    }
    // A client that trickles its request gets the time-out in all, not per piece.
    if (receiveTimeoutMs_ > 0) waitUntil(deadline);
  }
  FT_LOG_INFO(kClass, L"[HttpDaemon::process() recvv returned %i bytes", static_cast<int>(length));
  return true;
}

// Why a request goes unanswered: the peer closed, said nothing in time, was
// too slow with its request line, or the read failed.
void HttpDaemon::reportUnanswered(ssize_t count, int receiveError, size_t length) {
  FT_LOG_INFO(kClass, L"[HttpDaemon::process() recvv returned %i bytes", static_cast<int>(count));
  if (count == 0) {
    FT_LOG_TRACE(kClass, L"[HttpDaemon::process() soket closed closing handle: %d",
                 static_cast<int>(peer().get_handle()));
  } else if (Platform::isTimeout(receiveError) && length == 0) {
    FT_LOG_WARNING(kClass,
                   L"[HttpDaemon::process() nothing received within %d ms, closing the "
                   L"connection without a reply",
                   receiveTimeoutMs_);
  } else if (Platform::isTimeout(receiveError)) {
    FT_LOG_WARNING(kClass,
                   L"[HttpDaemon::process() request line incomplete after %d ms "
                   L"(ReceiveTimeout), %d bytes dropped, closing the connection without a "
                   L"reply",
                   receiveTimeoutMs_, static_cast<int>(length));
  } else {
    FT_LOG_ERROR(kClass, L"[HttpDaemon::process() error %i reading socket, errno is %i",
                 static_cast<int>(count), receiveError);
  }
}

void HttpDaemon::waitUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  Platform::setReceiveTimeout(peer().get_handle(),
                              static_cast<int>(std::max<long long>(1, left.count())));
}

// The socket may wait less than the receive time-out: it inherits the
// listener's wait for a connection, which is shorter, so that idle threads
// retire. Only a client slower than that pays for setting the rest.
bool HttpDaemon::waitLonger(Clock::time_point deadline) {
  if (receiveTimeoutMs_ == 0) {
    Platform::setReceiveTimeout(peer().get_handle(), 0);
    return true;
  }
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return false;
  Platform::setReceiveTimeout(peer().get_handle(), static_cast<int>(left.count()));
  return true;
}

void HttpDaemon::parseRequestLine(const char* bytes, size_t length) {
  const QString text = QString::fromLatin1(bytes, static_cast<qsizetype>(strnlen(bytes, length)));
  const auto [begin, end] = requestLineOf(text);
  line_ = RequestLine::parse(text.mid(begin, end < 0 ? -1 : end - begin));
  route_ = context_.router->routeOf(line_.target);
}

// The request goes on with what arrived; the guard refuses it if it changes something.
bool HttpDaemon::cutHead(size_t length, bool timedOut) {
  headCut_ = true;
  if (timedOut) {
    FT_LOG_WARNING(kClass,
                   L"[HttpDaemon::process() the request's head did not end within %d ms "
                   L"(ReceiveTimeout), going on with the %d bytes received",
                   receiveTimeoutMs_, static_cast<int>(length));
  } else {
    FT_LOG_WARNING(kClass,
                   L"[HttpDaemon::process() the request's head exceeds %d bytes "
                   L"(kMaxRequestBytes), going on with the %d bytes received",
                   limits::kMaxRequestBytes, static_cast<int>(length));
  }
  FT_LOG_INFO(kClass, L"[HttpDaemon::process() recvv returned %i bytes", static_cast<int>(length));
  return true;
}

// Only GET and POST are served, from the request line's target alone.
int HttpDaemon::processRequest(const QString& request) {
  FT_LOG_TRACE(kClass, L"[processRequest()]:Method started.");
  FT_LOG_INFO(kClass, L"[processRequest()]:request is '%s'.", FT_W(request));
  if (started_ == Clock::time_point()) started_ = Clock::now();

  // The first piece between "\r\n"s that is not empty is the request line.
  const qsizetype begin = requestLineOf(request).first;
  const RequestLine& line = line_;
  if (line.method != QLatin1String("GET") && line.method != QLatin1String("POST")) {
    FT_LOG_ERROR(kClass,
                 L"[HttpDaemon::processRequest()]: Method not allowed, only GET and POST commands "
                 L"are managed. This problem is known to occur with <embed/> tag. Consider using "
                 L"<object/> instead");
    Reply refused;
    refused.status = Reply::Status::MethodNotAllowed;
    refused.body = QByteArray::fromRawData(kMethodNotAllowedBody, sizeof kMethodNotAllowedBody - 1);
    logRequest(line, refused, sendReply(refused), false);
    return 0;
  }

  const QStringList headers = headerLinesOf(request, begin);
  const RequestRouter::Route& route = route_;
  if (!CrossSiteGuard::allows(route.command, route.changesState, headers, !headCut_)) {
    // A refused command's answer, without its stop event: a foreign page must
    // not end the scenario either.
    Reply refused = Reply::notFound();
    logRequest(line, refused, sendReply(refused), false);
    return 0;
  }

  FT_LOG_TRACE(kClass, L"[processNextRequest()]: decoded Request [%s]", FT_W(line.target));
  Reply reply = context_.router->answer(line.target);
  if (reply.failed) {
    FT_LOG_ERROR(kClass, L"[processNextRequest()]: processRequest failed");
    reply = Reply::failure(reply.stopEvents + 1);
  }
  notifyStopEvents(reply.stopEvents, headers);
  logRequest(line, reply, sendReply(reply), route.answerLogged);
  FT_LOG_INFO(kClass, L"[processNextRequest()]: reply to Request [%s] sent", FT_W(line.target));
  FT_LOG_TRACE(kClass, L"[process()]: end processing %s", FT_W(line.target));
  return 0;
}

// A foreign page may not end the scenario, not even by a command that fails.
void HttpDaemon::notifyStopEvents(int count, const QStringList& headers) {
  if (count <= 0) return;
  QString value;
  const wchar_t* why = CrossSiteGuard::foreignBecause(headers, value);
  if (why != nullptr) {
    FT_LOG_WARNING(kClass, L"[processNextRequest()]: the scenario is not stopped, %s '%s'", why,
                   FT_W(value));
    return;
  }
  for (int i = 0; i < count; ++i) context_.router->stopScenario();
}

// The head and the body in one send, then the file if any.
long long HttpDaemon::sendReply(Reply& reply) {
  const bool more = reply.file.isOpen();
  const QByteArray bytes = reply.head() + reply.body;
  if (!Platform::sendAll(peer().get_handle(), bytes.constData(), static_cast<size_t>(bytes.size()),
                         more)) {
    reportSendFailure();
    return 0;
  }
  return bytes.size() + (more ? sendFile(reply.file) : 0);
}

// By the kernel when the bytes go out as stored; otherwise restored a chunk
// at a time in the thread's buffer.
long long HttpDaemon::sendFile(ReplyFile& file) {
  const ACE_HANDLE socket = peer().get_handle();
  long long sent = 0;
  if (file.sentAsStored()) {
    sent = Platform::sendFile(socket, file.descriptor(), 0, static_cast<size_t>(file.size()));
    if (sent < file.size()) reportSendFailure();
    return sent;
  }
  std::vector<char>& chunk = tChunkBuffer;
  for (QByteArrayView piece;
       !(piece = file.nextPiece(chunk, limits::kReplyChunkBytes)).isEmpty();) {
    if (!Platform::sendAll(socket, piece.data(), static_cast<size_t>(piece.size()),
                           !file.complete())) {
      reportSendFailure();
      return sent;
    }
    sent += piece.size();
  }
  if (!file.complete()) reportSendFailure();
  return sent;
}

void HttpDaemon::reportSendFailure() {
  const int error = ACE_OS::last_error();
  if (Platform::isTimeout(error)) {
    FT_LOG_WARNING(kClass,
                   L"[HttpDaemon::sendReply()]: the client took nothing for the send time-out "
                   L"(SendTimeout), reply cut, closing the connection");
  } else {
    FT_LOG_TRACE(kClass, L"[HttpDaemon::sendReply()]: reply cut, errno is %i", error);
  }
}

// One line per reply for the request log, formatted only when it is shown.
void HttpDaemon::logRequest(const RequestLine& line, const Reply& reply, long long sentBytes,
                            bool withBody) {
  if (!MakoraLog_Static::isEnabled(MakoraLog_Static::Information, kRequestLog)) return;
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started_).count();
  if (!withBody || reply.body.isEmpty()) {
    MakoraLog_Static::logInformation_static(
        FT_COMPONENT_NAME, FT_MODULE_NAME, kRequestLog, L"%s %s %d %lld B %.1f ms",
        escaped(line.method).c_str(), escaped(line.target).c_str(), reply.code(), sentBytes, ms);
    return;
  }
  const QString body = QString::fromUtf8(reply.body);
  const bool cut = body.size() > limits::kLoggedAnswerChars;
  MakoraLog_Static::logInformation_static(
      FT_COMPONENT_NAME, FT_MODULE_NAME, kRequestLog, L"%s %s %d %lld B %.1f ms: %s%s",
      escaped(line.method).c_str(), escaped(line.target).c_str(), reply.code(), sentBytes, ms,
      escaped(body.left(limits::kLoggedAnswerChars)).c_str(), cut ? L"\u2026" : L"");
}
