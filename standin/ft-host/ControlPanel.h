#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <thread>

#include "PanelModel.h"
#include "PanelRecords.h"

class PanelServer;
class StandinHost;
namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

// ft-host's control panel: a page and a JSON API on a loopback port, through
// which an author changes the simulated ECU while the GUI runs.
class ControlPanel {
 public:
  struct Hooks {
    // Loads the data file again: empty, or the one-line error that kept the old one.
    std::function<std::string()> reload;
    // A mask variable changed: the component must read them again.
    std::function<void()> masksChanged;
    // The address of the scenario's page, which Record opens; empty when there is none.
    std::function<std::string()> page;
  };

  // records: the requests and problems the panel shows, filled by the host's log.
  ControlPanel(StandinHost& host, const std::string& ecu, const std::string& dataFile,
               PanelRecords& records, Hooks hooks);
  ~ControlPanel();
  ControlPanel(const ControlPanel&) = delete;
  ControlPanel& operator=(const ControlPanel&) = delete;

  // Listens on 127.0.0.1:port, or on a port the system picks when port is 0.
  // The port used, or -1 with the reason in error.
  int start(int port, std::string& error);
  void stop();

  // Something the open GUI page shows has changed: it reloads itself.
  void noteChange();
  // The outcome of a reload of the data file: empty when it worked. loadStart is the number
  // of the first problem the new file may have caused, for the page that reloads.
  void noteReload(const std::string& error, std::uint64_t loadStart);

 private:
  void route();
  void routeChanges();
  void routeFeeds();
  void routeRecording();
  // The model's view with the reloads' state.
  nlohmann::json view();
  void recordPageAction(const httplib::Request& request, httplib::Response& response);
  void saveRecording(const httplib::Request& request, httplib::Response& response);

  std::string address() const;

  PanelModel model_;
  PanelRecords& records_;
  std::string dataFile_;
  Hooks hooks_;
  std::unique_ptr<PanelServer> server_;
  std::thread thread_;
  std::atomic<int> port_{0};

  // stateGuard_ guards changes_, reloads_, reloadAt_, reloadError_ and loadStart_.
  std::mutex stateGuard_;
  std::uint64_t changes_ = 0;
  std::uint64_t reloads_ = 0;
  std::int64_t reloadAt_ = 0;  // ms since the epoch
  std::string reloadError_;
  std::uint64_t loadStart_ = 0;
};
