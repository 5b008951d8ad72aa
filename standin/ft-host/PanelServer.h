#pragma once

#include <httplib.h>

#include <atomic>
#include <mutex>
#include <set>

// The control panel's HTTP server: the library's routing, behind our own
// reading of each connection. A head or a body must arrive whole within a
// bound time and size, every request passes PanelRequestCheck before any
// handler runs, every refusal has a JSON body, and a stop ends every open
// connection at once, whatever its client does. One request per connection:
// an idle keep-alive would hold a worker.
class PanelServer : public httplib::Server {
 public:
  PanelServer();

  // The port the Host and Origin of a request must name; set once bound.
  void setPort(int port) { port_ = port; }
  // Shuts every open connection and refuses new ones: the workers return at once.
  void closeConnections();

 private:
  bool process_and_close_socket(socket_t sock) override;
  bool enter(socket_t sock);
  void leave(socket_t sock);

  std::atomic<int> port_{0};
  // connectionsGuard_ guards connections_ and closing_.
  std::mutex connectionsGuard_;
  std::set<socket_t> connections_;
  bool closing_ = false;
};
