// Stands in for ACE's header when the Windows half of the platform file is
// compiled on Linux: that half takes nothing from ACE but its handle type.
#pragma once

// winsock2.h must come before windows.h.
#include <winsock2.h>
// (keeps the order above)
#include <windows.h>

typedef HANDLE ACE_HANDLE;
