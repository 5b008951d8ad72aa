#include "http/Reply.h"

#include <iterator>

namespace {

// One row per status, in the order of Reply::Status; the lines are the ones
// clients have always received, trailing blanks included.
struct StatusRow {
  int code;
  const char* line;
};
constexpr StatusRow kStatuses[] = {
    {200, "HTTP/1.0 200 Ok\r\n"},
    {404, "HTTP/1.0 404 Not Found \r\n"},
    {405, "HTTP/1.0 405 Not Allowed \r\n"},
};
static_assert(std::size(kStatuses) == static_cast<size_t>(Reply::Status::MethodNotAllowed) + 1);

constexpr char kHtmlType[] = "text/html; charset=\"utf-8\"";
constexpr char kAllowOrigin[] = "Access-Control-Allow-Origin: http://127.0.0.1\r\n";

}  // namespace

Reply Reply::ok(QByteArray contentType, QByteArray body) {
  Reply reply;
  reply.contentType = std::move(contentType);
  reply.body = std::move(body);
  return reply;
}

Reply Reply::html(QByteArray body) {
  Reply reply = ok(QByteArray(kHtmlType), std::move(body));
  reply.allowOrigin = true;
  return reply;
}

Reply Reply::notFound() {
  Reply reply;
  reply.status = Status::NotFound;
  return reply;
}

Reply Reply::failure(int extraStopEvents) {
  Reply reply = notFound();
  reply.failed = true;
  reply.stopEvents = extraStopEvents;
  return reply;
}

int Reply::code() const {
  return kStatuses[static_cast<size_t>(status)].code;
}

QByteArray Reply::head() const {
  QByteArray head(kStatuses[static_cast<size_t>(status)].line);
  if (!contentType.isEmpty()) head += "Content-Type: " + contentType + "\r\n";
  if (allowOrigin) head += kAllowOrigin;
  head += "\r\n";
  return head;
}
