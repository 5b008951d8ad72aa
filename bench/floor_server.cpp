// The floor of a thread-per-connection HTTP/1.0 file server: pre-started
// threads that each accept, receive once, send the header and the file with
// sendfile, and close. No parsing beyond the target, no logging.
//
//   bench_floor_server ROOT PORT [THREADS]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kHeader[] = "HTTP/1.0 200 Ok\r\nContent-Type: application/octet-stream \r\n\r\n";
const char kNotFound[] = "HTTP/1.0 404 Not Found \r\n\r\n";

void serve(int listening, const std::string& root) {
  char request[4096];
  for (;;) {
    const int fd = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const ssize_t n = ::recv(fd, request, sizeof request - 1, 0);
    if (n > 5 && std::memcmp(request, "GET /", 5) == 0) {
      request[n] = '\0';
      const char* begin = request + 5;
      const char* end = std::strpbrk(begin, " ?\r\n");
      const std::string path = root + "/" + std::string(begin, end ? end : request + n);
      const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      struct stat st {};
      if (file >= 0 && ::fstat(file, &st) == 0 && st.st_size > 0) {
        ::send(fd, kHeader, sizeof kHeader - 1, MSG_NOSIGNAL | MSG_MORE);
        off_t offset = 0;
        while (offset<st.st_size&& ::sendfile(fd, file, &offset, size_t(st.st_size - offset))> 0) {
        }
      } else {
        ::send(fd, kNotFound, sizeof kNotFound - 1, MSG_NOSIGNAL);
      }
      if (file >= 0) ::close(file);
    }
    ::close(fd);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_floor_server ROOT PORT [THREADS]\n");
    return 2;
  }
  // A client that leaves during sendfile must not end the server.
  std::signal(SIGPIPE, SIG_IGN);
  const std::string root = argv[1];
  const int port = std::atoi(argv[2]);
  const int threads = argc > 3 ? std::atoi(argv[3]) : 64;
  const int listening = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int yes = 1;
  ::setsockopt(listening, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (::bind(listening, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listening, 128) != 0) {
    std::perror("bench_floor_server");
    return 1;
  }
  std::vector<std::thread> pool;
  for (int i = 0; i < threads; ++i) pool.emplace_back(serve, listening, root);
  for (auto& t : pool) t.join();
}
