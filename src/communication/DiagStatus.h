#pragma once

// Statuses of the diagnostic services that the page is told in words, and
// the handler's own code for a value it could not obtain.
namespace diag_status {

inline constexpr int kExecuted = 0;
inline constexpr int kTimeout = -992;
inline constexpr int kVciDisconnected = -14;
// The services refuse a query they cannot use under any of these.
inline constexpr int kInvalidQuery[] = {-979, -13, -9};
inline constexpr int kNoValue = -999;

}  // namespace diag_status
