#pragma once

#include <cstddef>
#include <cstdint>

// Limits of the stand-in host, each with its reason.
namespace standin_limits {

// A "no answer" without a delay of its own waits this long before the time-out
// status: about what a diagnostic stack waits for an ECU that stays silent.
constexpr std::int64_t kNoAnswerWaitMs = 3000;

// Longest delay a data file or the panel may give: anything longer is a typo
// that would hold a connection thread for minutes.
constexpr std::int64_t kMaxDelayMs = 600000;

// Shortest ramp period and sequence step: a browser polls at most every few
// tens of milliseconds, finer steps are not seen.
constexpr std::int64_t kMinPeriodMs = 1;

// Longest ramp period or sequence step: a course is watched during a session, not
// over days. With the ramp's step count below, a course's length stays far inside
// the 64-bit milliseconds it is computed in.
constexpr std::int64_t kMaxPeriodMs = std::int64_t{24} * 3600 * 1000;

// Most steps a ramp takes from its start to its end: a million periods of one
// millisecond is a quarter of an hour, and no browser sees more values than that.
constexpr std::int64_t kMaxRampSteps = 1000000;

// Request log lines the control panel keeps for a page that opens late.
constexpr std::size_t kPanelLogLines = 500;

// The control panel's requests: its own page sends heads of a few hundred bytes and bodies
// of a few hundred more; anything near these is not the panel's client.
constexpr std::size_t kPanelHeadBytes = std::size_t{32} << 10;
constexpr std::size_t kPanelBodyBytes = std::size_t{1} << 20;
// A request arrives whole within this (loopback only), and a reply is taken within the
// other: a client that trickles or stalls holds one of the panel's few workers only so long.
constexpr int kPanelRequestMs = 2000;
constexpr int kPanelReplyMs = 5000;

// Warnings and errors the control panel keeps for the author: a broken page can warn every
// second, and the newest are the ones that matter.
constexpr std::size_t kPanelProblems = 200;

// Characters of the ECU's answer a request log entry keeps: a long frame or a read of many
// items would flood the panel's one-line entries.
constexpr std::size_t kPanelAnswerChars = 200;

// Steps a recording of the control panel keeps: a page that polls three times a second fills
// this in about two hours, and a replay that long is no check anyone would keep.
constexpr std::size_t kRecordingSteps = 20000;

// How often ft-host looks at its data file and GUI folder, and how long a
// change must stay still before it is acted on (an editor saves in steps).
constexpr int kWatchIntervalMs = 250;

// Files of a GUI folder ft-host watches at most; a deeper tree is a wrong folder.
constexpr std::size_t kMaxWatchedFiles = 5000;

// The control panel's default port is the data port plus this, so that it is
// easy to find; when taken, the system picks a free one.
constexpr int kControlPortOffset = 1000;

// Events the event service remembers for received(): the newest ones, as a
// host that runs for days must not keep every id forever.
constexpr std::size_t kEventHistory = 1000;

// Largest data file the loader reads: far above any hand-written file, well
// below what would exhaust memory (a DOM costs several times the text).
constexpr std::size_t kMaxDataFileBytes = std::size_t{64} << 20;

// Bytes of stray text a loader fault quotes: enough to find it in the file,
// short enough that a stray paragraph does not flood the message.
constexpr std::size_t kQuotedTextBytes = 24;

// --log-file turns over at this size, keeping this many older files.
constexpr std::size_t kLogFileBytes = std::size_t{16} << 20;
constexpr std::size_t kLogFilesKept = 3;

// Unknown names the stand-in warns about between two loads: each is warned once, and a
// page that asks for generated names must not grow the memory without end.
constexpr std::size_t kUnknownNamesWarned = 1000;

// Closest known names a warning about an unknown one offers.
constexpr std::size_t kNameSuggestions = 3;

}  // namespace standin_limits
