// The platform calls that both systems write alike; the rest is PlatformPosix.cpp
// and PlatformWindows*.cpp.
#include "platform/Platform.h"

#ifdef _WIN32
// winsock2.h must come before ws2tcpip.h.
#include <winsock2.h>
// (keeps the order above)
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif

FileHandle Platform::walkBeneath(const std::string& root, const std::string& relative, int& error) {
  const size_t slash = relative.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : relative.substr(0, slash);
  const std::string leaf = slash == std::string::npos ? relative : relative.substr(slash + 1);
  const FileHandle parent = openFolderBeneath(root, folder, error);
  if (!parent.isOpen()) return {};
  return openIn(parent.get(), leaf.empty() ? "." : leaf, FileAccess::Read, error);
}

bool Platform::parseIPv4(const char* text, uint32_t& address) {
  in_addr parsed{};
  if (inet_pton(AF_INET, text, &parsed) != 1) return false;
  address = ntohl(parsed.s_addr);
  return true;
}
