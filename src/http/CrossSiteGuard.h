#pragma once

#include <QString>
#include <QStringList>

// Keeps other web sites from doing anything through the workstation's
// browser: every command is a GET, so a foreign page needs no more than an
// image tag to send one. A request is foreign when the browser marks it as
// coming from another site, when its Origin is not this server, or when the
// Host names a server other than this one (a foreign name resolved to this
// machine, as DNS rebinding does); every copy of each header counts.
// Requests without these headers (older embedded browsers, command-line
// clients) are not foreign. A command that changes something is refused when
// its request is foreign or its headers were cut; a foreign request never
// ends the scenario. Stateless.
class CrossSiteGuard {
 public:
  // command: the request's command word, for the warning; changesState: its
  // command row says it changes something; headerLines: the lines of its head
  // after the request line; headEnded: false when the head was cut (by the
  // time-out or the size limit) before its blank line.
  static bool allows(const QString& command, bool changesState, const QStringList& headerLines,
                     bool headEnded);

  // Why the request comes from another site, or null; what gave it away in value.
  static const wchar_t* foreignBecause(const QStringList& headerLines, QString& value);
  // An IP literal, localhost or this machine's name, with or without a port.
  static bool isOwnHost(const QString& host);
};
