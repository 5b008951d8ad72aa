#include "PanelServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>

#include "PanelRequestCheck.h"
#include "StandinLimits.h"

namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

constexpr size_t kReceiveBytes = 4096;

// Waits for the socket until the deadline; false when it passed first.
bool ready(socket_t sock, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{sock, events, 0};
    const int rc = ::poll(&p, 1, static_cast<int>(left));
    if (rc > 0) return true;
    if (rc < 0 && errno != EINTR) return false;
  }
}

std::string errorBody(const std::string& message) {
  return json{{"error", message}}.dump();
}

void sendAll(socket_t sock, const std::string& bytes, Clock::time_point deadline) {
  for (size_t sent = 0; sent < bytes.size() && ready(sock, POLLOUT, deadline);) {
    const ssize_t n = ::send(sock, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

// A refusal written before the library has read anything; what the client still
// sends is read away briefly, so that closing does not reset the reply away.
void refuse(socket_t sock, int status, const char* reason, const std::string& message) {
  const std::string body = errorBody(message);
  sendAll(sock,
          "HTTP/1.1 " + std::to_string(status) + " " + reason +
              "\r\nContent-Type: application/json\r\nContent-Length: " +
              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body,
          Clock::now() + std::chrono::milliseconds(standin_limits::kPanelReplyMs));
  ::shutdown(sock, SHUT_WR);
  char sink[kReceiveBytes];
  const auto until = Clock::now() + std::chrono::milliseconds(200);
  while (ready(sock, POLLIN, until) && ::recv(sock, sink, sizeof sink, 0) > 0) {
  }
}

void address(socket_t sock, bool remote, std::string& ip, int& port) {
  sockaddr_storage addr{};
  socklen_t length = sizeof addr;
  const int rc = remote ? ::getpeername(sock, reinterpret_cast<sockaddr*>(&addr), &length)
                        : ::getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &length);
  if (rc != 0 || addr.ss_family != AF_INET) return;
  const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
  char text[INET_ADDRSTRLEN] = "";
  ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
  ip = text;
  port = ntohs(in->sin_port);
}

// The connection as the library reads it: the head already taken, then the
// socket, every read bounded by the request's deadline.
class BoundedStream : public httplib::Stream {
 public:
  BoundedStream(socket_t sock, std::string taken, Clock::time_point readDeadline)
      : sock_(sock),
        buffer_(std::move(taken)),
        readDeadline_(readDeadline),
        writeDeadline_(Clock::now() + std::chrono::milliseconds(standin_limits::kPanelReplyMs)) {}

  bool is_readable() const override {
    return next_ < buffer_.size() || ready(sock_, POLLIN, readDeadline_);
  }
  bool is_writable() const override { return ready(sock_, POLLOUT, writeDeadline_); }

  ssize_t read(char* ptr, size_t size) override {
    if (next_ == buffer_.size()) {
      if (!ready(sock_, POLLIN, readDeadline_)) return -1;
      buffer_.resize(kReceiveBytes);
      const ssize_t n = ::recv(sock_, buffer_.data(), buffer_.size(), 0);
      buffer_.resize(n > 0 ? static_cast<size_t>(n) : 0);
      next_ = 0;
      if (n <= 0) return n;
    }
    const size_t count = std::min(size, buffer_.size() - next_);
    std::copy_n(buffer_.data() + next_, count, ptr);
    next_ += count;
    return static_cast<ssize_t>(count);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!ready(sock_, POLLOUT, writeDeadline_)) return -1;
    return ::send(sock_, ptr, size, MSG_NOSIGNAL);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    address(sock_, true, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    address(sock_, false, ip, port);
  }
  socket_t socket() const override { return sock_; }

 private:
  socket_t sock_;
  std::string buffer_;
  size_t next_ = 0;
  Clock::time_point readDeadline_;
  Clock::time_point writeDeadline_;
};

std::string errorMessage(const httplib::Request& request, int status) {
  switch (status) {
    case 404:
      return "no such endpoint: " + request.method + " " + request.path;
    case 413:
      return "a body may hold " + std::to_string(standin_limits::kPanelBodyBytes) +
             " bytes at most";
    case 414:
      return "the request target is too long";
    case 415:
      return "the body's encoding is not supported";
    default:
      return status >= 500 ? "the control panel failed" : "a malformed request";
  }
}

}  // namespace

PanelServer::PanelServer() {
  set_payload_max_length(standin_limits::kPanelBodyBytes);
  set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    const PanelRequestCheck check(port_);
    const auto refusal =
        check.refusal(request.method, [&](const char* name) -> std::optional<std::string> {
          if (!request.has_header(name)) return std::nullopt;
          return request.get_header_value(name);
        });
    if (!refusal) return HandlerResponse::Unhandled;
    response.status = refusal->status;
    response.set_content(errorBody(refusal->message), "application/json");
    return HandlerResponse::Handled;
  });
  set_error_handler(
      HandlerWithResponse([](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty()) return HandlerResponse::Unhandled;
        response.set_content(errorBody(errorMessage(request, response.status)), "application/json");
        return HandlerResponse::Handled;
      }));
}

void PanelServer::closeConnections() {
  std::lock_guard<std::mutex> lock(connectionsGuard_);
  closing_ = true;
  for (const socket_t sock : connections_) ::shutdown(sock, SHUT_RDWR);
}

bool PanelServer::enter(socket_t sock) {
  std::lock_guard<std::mutex> lock(connectionsGuard_);
  if (closing_) return false;
  connections_.insert(sock);
  return true;
}

void PanelServer::leave(socket_t sock) {
  std::lock_guard<std::mutex> lock(connectionsGuard_);
  connections_.erase(sock);
}

bool PanelServer::process_and_close_socket(socket_t sock) {
  bool served = false;
  if (enter(sock)) {
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(standin_limits::kPanelRequestMs);
    std::string head;
    size_t end = std::string::npos;
    bool ended = false;  // the client closed or the connection was shut
    while (end == std::string::npos && head.size() <= standin_limits::kPanelHeadBytes && !ended &&
           ready(sock, POLLIN, deadline)) {
      const size_t before = head.size();
      head.resize(before + kReceiveBytes);
      const ssize_t n = ::recv(sock, head.data() + before, kReceiveBytes, 0);
      head.resize(before + (n > 0 ? static_cast<size_t>(n) : 0));
      ended = n <= 0;
      end = head.find("\r\n\r\n", before < 3 ? 0 : before - 3);
    }
    if (end != std::string::npos && end + 4 <= standin_limits::kPanelHeadBytes) {
      BoundedStream stream(sock, std::move(head), deadline);
      bool closed = false;
      served = process_request(stream, true, closed, nullptr);
    } else if (end != std::string::npos || head.size() > standin_limits::kPanelHeadBytes) {
      refuse(sock, 431, "Request Header Fields Too Large",
             "the request's head may hold " + std::to_string(standin_limits::kPanelHeadBytes) +
                 " bytes at most");
    } else if (!ended && !head.empty()) {
      refuse(sock, 408, "Request Timeout",
             "the request did not arrive whole within " +
                 std::to_string(standin_limits::kPanelRequestMs) + " ms");
    }
    leave(sock);
  }
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return served;
}
