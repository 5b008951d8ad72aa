#pragma once

#include <cstdint>
#include <string>

// Where the component is to listen, and whether it does: ft-host announces a
// server only once this process really holds the listening socket.
class ListenCheck {
 public:
  // address: dotted IPv4 text, empty for every interface; port as configured.
  ListenCheck(const std::string& address, long port);

  // Empty when the component may listen there; otherwise why it cannot
  // (an unusable address or port, or what a trial bind answers).
  std::string obstacle() const;
  // A listening socket of this process on exactly the address and port.
  bool listening() const;
  // "127.0.0.1 port 8080"; the address is 0.0.0.0 for every interface.
  std::string where() const;
  // The address a local browser reaches the server on.
  std::string url() const;

 private:
  std::string text_;  // as configured
  bool valid_ = false;
  std::uint32_t address_ = 0;  // host order
  long port_ = 0;
};
