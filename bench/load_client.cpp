// A closed-loop HTTP/1.0 load: each client connects, sends one GET, reads
// the reply to its Content-Length or else to the server's close, closes and
// connects again, as a browser does. One connection per request whatever the
// server sends: wrk opens a second, idle connection after each reply that
// only the close ends, which doubles the accepts of a server that sends no
// Content-Length.
//
//   bench_load_client PORT TARGET CLIENTS SECONDS
//   prints: requests N rps X p50 MS p99 MS errors E
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Client {
  int fd = -1;
  Clock::time_point start;
  size_t sent = 0;
  size_t received = 0;
  std::string head;         // the reply up to its blank line, while it comes
  long long complete = -1;  // the reply's whole size, when it says so
};

// The reply's size from its Content-Length, once the head is complete.
void readHead(Client& client, const char* bytes, size_t count) {
  if (client.complete >= 0 || client.head.size() > 8192) return;
  client.head.append(bytes, count);
  const size_t end = client.head.find("\r\n\r\n");
  if (end == std::string::npos) return;
  std::string lower = client.head.substr(0, end);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const size_t field = lower.find("\r\ncontent-length:");
  if (field != std::string::npos)
    client.complete = static_cast<long long>(end + 4) + std::atoll(lower.c_str() + field + 17);
  client.head.clear();
  client.head.shrink_to_fit();
  if (client.complete < 0) client.head.assign(8193, ' ');  // no more looking
}

struct Tally {
  std::vector<double> latenciesMs;
  long errors = 0;
};

class Worker {
 public:
  Worker(int port, const std::string& request, int clients, Clock::time_point end)
      : request_(request), clients_(size_t(clients)), end_(end) {
    address_.sin_family = AF_INET;
    address_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address_.sin_port = htons(static_cast<uint16_t>(port));
  }

  void run() {
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    for (Client& client : clients_) connect(client);
    std::vector<epoll_event> events(clients_.size());
    static char sink[1 << 16];
    while (Clock::now() < end_) {
      const int n = ::epoll_wait(epoll_, events.data(), int(events.size()), 100);
      for (int i = 0; i < n; ++i) {
        Client& client = clients_[events[i].data.u32];
        if (client.sent < request_.size()) {
          const ssize_t count = ::send(client.fd, request_.data() + client.sent,
                                       request_.size() - client.sent, MSG_NOSIGNAL);
          if (count > 0) client.sent += size_t(count);
          if (count < 0 && errno != EAGAIN) fail(client);
          if (count > 0 && client.sent == request_.size()) watch(client, EPOLLIN, EPOLL_CTL_MOD);
          continue;
        }
        ssize_t count;
        while ((count = ::recv(client.fd, sink, sizeof sink, 0)) > 0) {
          readHead(client, sink, size_t(count));
          client.received += size_t(count);
        }
        const bool whole = client.complete >= 0 && client.received >= size_t(client.complete);
        if (whole || (count == 0 && client.received > 0)) {
          tally_.latenciesMs.push_back(
              std::chrono::duration<double, std::milli>(Clock::now() - client.start).count());
          restart(client);
        } else if (count == 0 || (count < 0 && errno != EAGAIN)) {
          fail(client);
        }
      }
    }
    for (Client& client : clients_) ::close(client.fd);
    ::close(epoll_);
  }

  const Tally& tally() const { return tally_; }

 private:
  void connect(Client& client) {
    client = Client();
    client.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    client.start = Clock::now();
    const int on = 1;
    ::setsockopt(client.fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const int rc =
        ::connect(client.fd, reinterpret_cast<const sockaddr*>(&address_), sizeof address_);
    if (rc != 0 && errno != EINPROGRESS) {
      ++tally_.errors;
      ::close(client.fd);
      client.fd = -1;
      return;
    }
    watch(client, EPOLLOUT, EPOLL_CTL_ADD);
  }
  void watch(Client& client, uint32_t what, int op) {
    epoll_event event{};
    event.events = what;
    event.data.u32 = static_cast<uint32_t>(&client - clients_.data());
    ::epoll_ctl(epoll_, op, client.fd, &event);
  }
  void restart(Client& client) {
    ::close(client.fd);
    connect(client);
  }
  void fail(Client& client) {
    ++tally_.errors;
    restart(client);
  }

  const std::string& request_;
  std::vector<Client> clients_;
  Clock::time_point end_;
  sockaddr_in address_{};
  int epoll_ = -1;
  Tally tally_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: bench_load_client PORT TARGET CLIENTS SECONDS\n");
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const std::string request =
      std::string("GET ") + argv[2] + " HTTP/1.0\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  const int clients = std::max(1, std::atoi(argv[3]));
  const int seconds = std::max(1, std::atoi(argv[4]));
  // Two threads like wrk -t2 on this two-core machine, one for a single client.
  const int threads = std::min(clients, 2);
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  std::vector<Worker> workers;
  workers.reserve(size_t(threads));
  for (int t = 0; t < threads; ++t)
    workers.emplace_back(port, request, clients / threads + (t < clients % threads), end);
  std::vector<std::thread> running;
  for (Worker& worker : workers) running.emplace_back([&worker] { worker.run(); });
  for (std::thread& thread : running) thread.join();

  std::vector<double> all;
  long errors = 0;
  for (const Worker& worker : workers) {
    all.insert(all.end(), worker.tally().latenciesMs.begin(), worker.tally().latenciesMs.end());
    errors += worker.tally().errors;
  }
  std::sort(all.begin(), all.end());
  const auto at = [&](double q) {
    return all.empty() ? 0.0 : all[size_t(q * double(all.size() - 1))];
  };
  std::printf("requests %zu rps %.1f p50 %.3f p99 %.3f errors %ld\n", all.size(),
              double(all.size()) / seconds, at(0.50), at(0.99), errors);
  return 0;
}
