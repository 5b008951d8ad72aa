#pragma once

#include <QByteArray>
#include <memory>

#include "http/ReplyFile.h"

// What a command answers. The connection handler writes the head from it,
// then the body or the file: no handler writes HTTP itself.
struct Reply {
  enum class Status { Ok, NotFound, MethodNotAllowed };

  Status status = Status::Ok;
  // The Content-Type value exactly as sent; no header when empty.
  QByteArray contentType;
  // The HTML answers name the workstation's own address as an allowed origin.
  bool allowOrigin = false;
  QByteArray body;
  // Sent after the head, in place of the body, when open.
  ReplyFile file;
  // The command failed: the fixed 404 answer goes instead, with a stop event.
  bool failed = false;
  // Stop events the host is sent before the answer leaves, beside a failure's.
  int stopEvents = 0;
  // Whatever must live until the reply has left, such as a share of a budget.
  std::shared_ptr<void> held;

  static Reply ok(QByteArray contentType, QByteArray body = {});
  // A page or a command's words: text/html, readable by the workstation's pages.
  static Reply html(QByteArray body);
  static Reply notFound();
  // extraStopEvents: stop events sent beside the failure's own.
  static Reply failure(int extraStopEvents = 0);

  // The numeric status, for the request log.
  int code() const;
  // The status line and the headers, with the blank line that ends them.
  QByteArray head() const;
};
