#pragma once

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
// Listen backlog: ACE opens with 5, which costs a SYN retransmit per burst.
constexpr int kListenBacklog = 128;
// Nesting depth of a mask expression: far beyond any real mask, far below
// what a connection thread's stack holds.
constexpr int kMaxExpressionDepth = 256;
// Decimals shown for a parameter: a double's exact decimal expansion ends
// within 1074 places, so more would only add zeros to an unbounded text.
constexpr int kMaxFormatDecimals = 1074;

// Age after which a write's temporary file is taken as left by a killed
// process and removed: a write takes milliseconds, a slow disk seconds.
constexpr int kStaleTemporaryFileSeconds = 120;

}  // namespace limits
