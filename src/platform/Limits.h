#pragma once

#include <cstddef>

// Every limit of the component, with the reason for its value.
namespace limits {

// Port used when none is configured.
constexpr int kDefaultPort = 61111;
// Connections served at once before new ones are closed unanswered; enough for
// a page and its files many times over, small enough to bound threads.
constexpr int kDefaultMaxConnections = 256;
// How long a connection may stay silent before it is closed unanswered, in
// milliseconds; 0 waits without limit.
constexpr int kDefaultReceiveTimeoutMs = 30000;
// How long a reply may make no progress (the client reads nothing) before the
// connection is closed, in milliseconds; 0 waits without limit. Long enough
// for a busy browser, short enough that stalled readers free their slots.
constexpr int kDefaultSendTimeoutMs = 30000;
// Largest request accepted, head included: a writeFile carries its content in
// the target, percent-encoded, so a few hundred KiB of text must fit.
constexpr int kMaxRequestBytes = 1 << 20;
// A connection thread's receive buffer is kept between connections up to this
// size; a larger one, grown by one big request, is given back.
constexpr int kKeptReceiveBufferBytes = 64 * 1024;
// Chunk in which a scrambled file is unscrambled, or a text file re-encoded,
// and sent: with its re-encoding (three bytes per byte at worst), the most a
// streamed reply holds in memory beside its header.
constexpr int kReplyChunkBytes = 64 * 1024;
// Largest file read through the DOM (readXMLFile, readFile of a .xml name):
// the document is held whole, several times its size, by each such reply;
// configuration documents are far smaller.
constexpr int kMaxXmlFileBytes = 8 << 20;
// XML file bytes being read through the DOM at once, all requests together:
// until its reply has left, a document costs up to 36 times its size (the
// DOM, its text, the reply; measured with files of "<a/>"), so this bounds
// those replies to about 580 MiB. Two documents at kMaxXmlFileBytes fit, or a
// page's small ones by hundreds.
constexpr long long kXmlReadBudgetBytes = 16LL << 20;
// Stack of a connection thread: a request needs little beyond the mask
// parser's recursion (kMaxExpressionDepth levels); the default 8 MiB is
// reserved per thread for nothing.
constexpr int kConnectionThreadStackBytes = 1 << 20;
// A connection thread retires after waiting this long in accept (or the
// receive time-out, if shorter), so a burst's threads do not stay for good.
constexpr int kIdleThreadRetireMs = 5000;
// Connection threads one thread starts at once when it takes the last
// waiting place (as many as run, up to this): each new thread must be
// scheduled before it accepts, so growing one at a time would make a page's
// burst of connects, or a crowd of silent ones, wait for each start in turn.
// Those not needed retire after kIdleThreadRetireMs.
constexpr int kMaxThreadsStartedAtOnce = 16;
// After accept fails for want of descriptors, a thread stops accepting for
// this long, so it neither spins nor starves the threads that would
// free some.
constexpr int kAcceptBackoffMs = 100;
// Listen backlog: ACE opens with 5, which costs a SYN retransmit per burst.
constexpr int kListenBacklog = 128;
// Nesting depth of a mask expression: far beyond any real mask, far below
// what a connection thread's stack holds.
constexpr int kMaxExpressionDepth = 256;
// Broken masks warned about once each; past this many the rest stay silent,
// so that generated mask texts cannot grow the log's memory without bound.
constexpr size_t kMaxMaskWarnings = 1000;
// Characters of a command's answer shown at the end of its request log line:
// a status word or a few values, within one terminal line.
constexpr int kLoggedAnswerChars = 200;
// Decimals shown for a parameter: a double's exact decimal expansion ends
// within 1074 places, so more would only add zeros to an unbounded text.
constexpr int kMaxFormatDecimals = 1074;

}  // namespace limits
