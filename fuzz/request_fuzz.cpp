// Feeds raw request text to a connection handler as a client would send it,
// through the command factory and every handler, against a data root of its
// own. Beside the root lies a canary file, also reachable through links from
// inside: any open, change or deletion of it, and any new file outside the
// root, is a finding.
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "StandinHost.h"
#include "StandinLog.h"
#include "dispatch/CommandRouter.h"
#include "dispatch/URLCommandFactory.h"
#include "http/HttpDaemon.h"

namespace {

namespace fs = std::filesystem;

void put(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

struct World {
  std::string top;
  int watch = -1;

  World() {
    char pattern[] = "/tmp/ft-fuzz-request-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    top = pattern;
    const fs::path root = top + "/root";
    put(top + "/canary.txt", "canary");
    put(root / "Scenario/gui/main.html", "<html><head></head><div id='title'>T</div></html>");
    put(root / "Scripts/init.js", "function init() {}\n");
    put(root / "Scripts/only.jsc", "\x9e\x9d\x9c");
    put(root / "atws/a.txt", "text");
    put(root / "atws/doc.xml", "<list><item n=\"1\">x</item></list>");
    put(root / "ExternalFiles/ext.xml", "<list/>");
    put(root / "ECUSpecific/ecu.xml", "<list/>");
    fs::create_symlink("../..", root / "atws/out");
    fs::create_symlink("../Scenario", root / "atws/shortcut");
    fs::create_symlink("../../canary.txt", root / "atws/canary");
    fs::create_symlink("../../planted.txt", root / "atws/dangling");
    fs::create_symlink(top + "/canary.txt", root / "Scripts/canary.js");

    StandinLog::setStderr(false);
    std::string error;
    const std::string data =
        "<host ecu=\"DEMO\"><data>"
        "<string key=\"data:/Configuration/OrvaneData/OrvaneDataRoot\">" +
        root.string() +
        "</string>"
        "<string key=\"data:/Configuration/OrvaneFunctionTests/ATWSFolder\">/atws/</string>"
        "<set key=\"data:/Auto/InternalOwner/UCEs/DEMO/States\">"
        "<integer name=\"VehicleType\">2</integer></set>"
        "</data><texts><text code=\"A\">Alpha</text></texts>"
        "<ecu name=\"DEMO\"><state name=\"S\" value=\"1\"><mask>VehicleType == 2</mask></state>"
        "<parameter name=\"P\" value=\"12.5\" format=\"1\"/>"
        "<identification name=\"I\" value=\"VIN\"/>"
        "<command name=\"C\" status=\"0\"><set state=\"S\" value=\"2\"/></command>"
        "<rawframe request=\"22F190\" response=\"62F190\"/></ecu></host>";
    if (!StandinHost::instance().loadText(data, error)) {
      std::fprintf(stderr, "host data: %s\n", error.c_str());
      std::abort();
    }
    URLCommandFactory::getInstance()->init(QStringLiteral("DEMO"));
    // The host's and ACE's static teardown can wait for threads that never end
    // here; nothing is left to check once the run is over.
    std::atexit([] { std::_Exit(0); });
    watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    inotify_add_watch(watch, top.c_str(),
                      IN_OPEN | IN_ACCESS | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE |
                          IN_MOVED_FROM | IN_MOVED_TO);
  }

  // Opening the root folder itself is the one event expected beside it.
  void checkOutside() const {
    alignas(inotify_event) char buffer[4096];
    ssize_t n;
    while ((n = read(watch, buffer, sizeof(buffer))) > 0) {
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        const std::string name = event->len > 0 ? event->name : "";
        const bool rootFolderRead =
            name == "root" && (event->mask & (IN_OPEN | IN_ACCESS)) && (event->mask & IN_ISDIR);
        if (!rootFolderRead) {
          std::fprintf(stderr, "outside the root: event 0x%x on '%s'\n", event->mask, name.c_str());
          std::abort();
        }
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static World world;
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) std::abort();
  const int bufferSize = 1 << 22;
  for (int fd : pair) {
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bufferSize, sizeof(bufferSize));
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bufferSize, sizeof(bufferSize));
  }
  if (size > 0 && send(pair[1], data, size, MSG_DONTWAIT | MSG_NOSIGNAL) < 0) std::abort();
  shutdown(pair[1], SHUT_WR);

  static const CommandRouter router;
  auto* daemon = new HttpDaemon(ConnectionContext{&router});
  daemon->peer().set_handle(pair[0]);
  daemon->process();
  delete daemon;

  char reply[65536];
  while (recv(pair[1], reply, sizeof(reply), MSG_DONTWAIT) > 0) {
  }
  close(pair[1]);
  world.checkOutside();
  return 0;
}
