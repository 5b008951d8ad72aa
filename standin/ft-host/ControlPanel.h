#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "PanelModel.h"

class PanelServer;
class StandinHost;

// ft-host's control panel: a page and a JSON API on a loopback port, through
// which an author changes the simulated ECU while the GUI runs.
class ControlPanel {
 public:
  struct Hooks {
    // Loads the data file again: empty, or the one-line error that kept the old one.
    std::function<std::string()> reload;
    // A mask variable changed: the component must read them again.
    std::function<void()> masksChanged;
  };

  ControlPanel(StandinHost& host, const std::string& ecu, const std::string& dataFile, Hooks hooks);
  ~ControlPanel();
  ControlPanel(const ControlPanel&) = delete;
  ControlPanel& operator=(const ControlPanel&) = delete;

  // Listens on 127.0.0.1:port, or on a port the system picks when port is 0.
  // The port used, or -1 with the reason in error.
  int start(int port, std::string& error);
  void stop();

  // A request log line, for the page's live log.
  void appendLog(const std::string& line);
  // Something the open GUI page shows has changed: it reloads itself.
  void noteChange();
  // The outcome of the last reload of the data file: empty when it worked.
  void noteReload(const std::string& error);

 private:
  void route();

  PanelModel model_;
  std::string dataFile_;
  Hooks hooks_;
  std::unique_ptr<PanelServer> server_;
  std::thread thread_;

  // logGuard_ guards log_, logNext_, changes_, reloads_ and reloadError_.
  std::mutex logGuard_;
  std::deque<std::string> log_;
  std::uint64_t logNext_ = 0;  // sequence number of the next line
  std::uint64_t changes_ = 0;
  std::uint64_t reloads_ = 0;
  std::string reloadError_;
};
