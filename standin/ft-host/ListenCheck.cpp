#include "ListenCheck.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace {

// The 16 bits the component binds: it takes the low bits of a larger value.
std::uint16_t boundPort(long port) {
  return static_cast<std::uint16_t>(port & 0xFFFF);
}

std::string dotted(std::uint32_t address) {
  in_addr raw{htonl(address)};
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &raw, text, sizeof text);
  return text;
}

}  // namespace

ListenCheck::ListenCheck(const std::string& address, long port) : text_(address), port_(port) {
  in_addr parsed{};
  if (address.empty()) {
    valid_ = true;
    address_ = INADDR_ANY;
  } else if (inet_pton(AF_INET, address.c_str(), &parsed) == 1) {
    valid_ = true;
    address_ = ntohl(parsed.s_addr);
  }
}

std::string ListenCheck::where() const {
  return (valid_ ? dotted(address_) : text_) + " port " + std::to_string(port_);
}

std::string ListenCheck::url() const {
  const std::string host = address_ == INADDR_ANY ? "127.0.0.1" : dotted(address_);
  return "http://" + host + ":" + std::to_string(boundPort(port_)) + "/";
}

// The component's own rules first, then a bind as the component will make it.
std::string ListenCheck::obstacle() const {
  if (!valid_) return "not an IPv4 address, the component does not listen";
  if (boundPort(port_) == 0) return "refused by the component, which does not listen on port 0";
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::string("no socket: ") + std::strerror(errno);
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(address_);
  addr.sin_port = htons(boundPort(port_));
  const int rc = ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  const int error = errno;
  ::close(fd);
  if (rc == 0) return {};
  switch (error) {
    case EADDRINUSE:
      return "the port is in use by another program";
    case EACCES:
      return "not allowed (a port below 1024 needs privileges)";
    case EADDRNOTAVAIL:
      return "not an address of this machine";
    default:
      return std::strerror(error);
  }
}

// The kernel's table of listening sockets, matched against this process's descriptors:
// a connect could reach another program holding the port.
bool ListenCheck::listening() const {
  if (!valid_) return false;
  char local[32];
  std::snprintf(local, sizeof local, "%08X:%04X", htonl(address_), boundPort(port_));
  std::set<std::string> inodes;
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // header
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, address, remote, state, queues, timer, retransmits, uid, timeout, inode;
    fields >> slot >> address >> remote >> state >> queues >> timer >> retransmits >> uid >>
        timeout >> inode;
    if (state == "0A" && address == local) inodes.insert("socket:[" + inode + "]");
  }
  if (inodes.empty()) return false;
  DIR* fds = ::opendir("/proc/self/fd");
  if (fds == nullptr) return false;
  bool found = false;
  while (const dirent* entry = ::readdir(fds)) {
    char target[64];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
    if (length > 0 && inodes.count(std::string(target, static_cast<size_t>(length))) != 0) {
      found = true;
      break;
    }
  }
  ::closedir(fds);
  return found;
}
