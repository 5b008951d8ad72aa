#pragma once

#include <QString>
#include <QStringList>

// Keeps other web sites from changing anything through the workstation's
// browser: every command is a GET, so a foreign page needs no more than an
// image tag to send one. A command that changes something is refused when the
// browser marks the request as coming from another site, or when the Host
// names a server other than this one (a foreign name resolved to this machine,
// as DNS rebinding does). Requests without these headers (older embedded
// browsers, command-line clients) pass. Stateless.
class CrossSiteGuard {
 public:
  // target: the request line's target; headerLines: the lines after it.
  static bool allows(const QString& target, const QStringList& headerLines);

  // True for the commands that write, delete or query the ECU.
  static bool changesSomething(const QString& command);
  // An IP literal, localhost or this machine's name, with or without a port.
  static bool isOwnHost(const QString& host);
};
