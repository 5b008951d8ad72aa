// The Windows half of the platform's socket calls; the rest is PlatformWindows.cpp.
#ifdef _WIN32

#include "platform/Platform.h"

// winsock2.h must come before windows.h.
#include <winsock2.h>
// (keeps the order above)
#include <io.h>
#include <mswsock.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <cerrno>

void Platform::setCloseOnExec(ACE_HANDLE handle) {
  SetHandleInformation(reinterpret_cast<HANDLE>(handle), HANDLE_FLAG_INHERIT, 0);
}

ACE_HANDLE Platform::acceptConnection(ACE_HANDLE listening, int& error) {
  const SOCKET accepted = ::accept(reinterpret_cast<SOCKET>(listening), nullptr, nullptr);
  error = accepted == INVALID_SOCKET ? WSAGetLastError() : 0;
  if (accepted == INVALID_SOCKET) return INVALID_HANDLE_VALUE;  // ACE_INVALID_HANDLE there
  const auto handle = reinterpret_cast<ACE_HANDLE>(accepted);
  setCloseOnExec(handle);
  return handle;
}

// Winsock wakes a waiting accept only when its socket closes; a thread back
// from a connection sees the stop before it accepts again.
void Platform::stopListening(ACE_HANDLE listening) {
  ::closesocket(reinterpret_cast<SOCKET>(listening));
}

void Platform::closeListening(ACE_HANDLE) {}

bool Platform::isListenerGone(int error) {
  return error == WSAEINTR || error == WSAEINVAL || error == WSAENOTSOCK;
}

void Platform::setReceiveTimeout(ACE_HANDLE socket, int milliseconds) {
  const DWORD timeout = static_cast<DWORD>(milliseconds);
  setsockopt(reinterpret_cast<SOCKET>(socket), SOL_SOCKET, SO_RCVTIMEO,
             reinterpret_cast<const char*>(&timeout), sizeof timeout);
}

void Platform::setSendTimeout(ACE_HANDLE socket, int milliseconds) {
  const DWORD timeout = static_cast<DWORD>(milliseconds);
  setsockopt(reinterpret_cast<SOCKET>(socket), SOL_SOCKET, SO_SNDTIMEO,
             reinterpret_cast<const char*>(&timeout), sizeof timeout);
}

bool Platform::sendAll(ACE_HANDLE socket, const char* bytes, size_t size, bool) {
  while (size > 0) {
    const int sent = send(reinterpret_cast<SOCKET>(socket), bytes, static_cast<int>(size), 0);
    if (sent <= 0) return false;
    bytes += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

int64_t Platform::sendFile(ACE_HANDLE socket, int file, int64_t offset, size_t count) {
  LARGE_INTEGER position;
  position.QuadPart = offset;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file));
  if (!SetFilePointerEx(handle, position, nullptr, FILE_BEGIN)) return 0;
  const BOOL sent = TransmitFile(reinterpret_cast<SOCKET>(socket), handle,
                                 static_cast<DWORD>(count), 0, nullptr, nullptr, 0);
  return sent ? static_cast<int64_t>(count) : 0;
}

void Platform::ignoreBrokenPipe() {}

bool Platform::isTimeout(int error) {
  return error == WSAETIMEDOUT || error == ETIME;
}

bool Platform::isOutOfDescriptors(int error) {
  return error == WSAEMFILE || error == WSAENOBUFS || error == EMFILE;
}

#endif  // _WIN32
