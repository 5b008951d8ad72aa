#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "ControlPanel.h"
#include "FileWatcher.h"

class IQFTServer;
class PanelRecords;
class StandinHost;
struct HostContent;

// What keeps a running ft-host live: the control panel, and the watcher that
// loads the data file again when it changes and, in development mode, tells
// the open page that its files changed.
class HostControl {
 public:
  struct Settings {
    std::string dataFile;  // absolute
    std::string ecu;
    std::optional<int> port;         // --port: written over the file's after every load
    std::optional<int> controlPort;  // --control-port; none: the data port + an offset
  };

  // records: what the panel shows; the host's log fills it.
  HostControl(StandinHost& host, IQFTServer& server, Settings settings, PanelRecords& records);
  ~HostControl();
  HostControl(const HostControl&) = delete;
  HostControl& operator=(const HostControl&) = delete;

  // Starts the panel and the watcher: the panel's port, or -1 with the reason.
  int start(int dataPort, std::string& error);
  void stop();

  // Loads the data file again and has the component read its settings again:
  // empty, or the one-line error that kept the previous file in force.
  std::string reload();

  // "/FT?gui=NAME&mw=NAME&flow=NAME" when the page folder holds a page named like the data
  // file (as the demo's and `./ft new`'s are); empty otherwise.
  std::string scenarioPage() const;

  // ft-host's own values over a freshly read file's, before it takes effect.
  static void applyOverrides(HostContent& content, const Settings& settings);

 private:
  void watchLoop();
  std::vector<std::string> guiFolders() const;
  bool developmentMode() const;
  void publishControlAddress();
  void addControlAddress(HostContent& content) const;

  StandinHost& host_;
  IQFTServer& server_;
  Settings settings_;
  PanelRecords& records_;
  ControlPanel panel_;
  // Set by start once the panel listens; a reload through the panel may read it meanwhile.
  std::atomic<int> controlPort_{-1};
  std::atomic<int> dataPort_{0};

  // reloadGuard_ orders reloads and the component's configure calls.
  std::mutex reloadGuard_;
  std::atomic<unsigned> loads_{0};
  // Set first thing by stop: a reload in progress gives up.
  std::atomic<bool> stopLoads_{false};

  // stopGuard_ guards stopping_.
  std::mutex stopGuard_;
  std::condition_variable wake_;
  bool stopping_ = false;
  // Set up by start, then used by the watcher thread alone.
  FileWatcher dataWatcher_;
  FileWatcher guiWatcher_;
  std::thread watcher_;
};
