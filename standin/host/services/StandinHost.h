#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "HostApi.h"

class StandinDataManager;
class StandinTextService;
class StandinDiagData;
class StandinDiagServices;
struct HostContent;

// The stand-in host: owns the services the component asks the component
// manager for and fills them from the host data file.
//
// Service objects live as long as the process: a running component keeps the
// pointers it obtained, so a reload changes their content, never their address.
class HOST_API StandinHost {
 public:
  static StandinHost& instance();

  // What a caller changes in a file's content before it takes effect.
  using Adjust = std::function<void(HostContent&)>;

  // Replace all content with the data file's. The new content is built aside and
  // each service takes it in one step, so a reader sees the old or the new; the
  // results of queries stay until queries store new ones. A malformed or
  // unreadable file changes nothing: false and a one-line error naming the file
  // and line. So does a load that `stop` ends early.
  bool loadFile(const std::string& path, std::string& error, const Adjust& adjust = {},
                const std::atomic<bool>* stop = nullptr);
  // The same from a document in memory; errors name it "(text)".
  bool loadText(const std::string& xml, std::string& error);
  // Empties every service, forgets the ECUs and makes every component available again.
  void clear();

  // The ecu attribute of the last file's root; empty when none.
  std::string defaultEcu() const;
  bool describesEcu(const std::string& name) const;

  // For tests: withdraws a component identifier from the component manager
  // (false) or offers it again (true), e.g. "makora:DM?DataManager" or
  // "diagServices:DiagServices?EcuDiag#DEMO". Kept across loads until clear().
  void setComponentAvailable(const std::string& id, bool available);

  StandinDataManager& dataManager() { return *dataManager_; }
  StandinTextService& textService() { return *textService_; }
  StandinDiagData& diagData() { return *diagData_; }

  StandinHost(const StandinHost&) = delete;
  StandinHost& operator=(const StandinHost&) = delete;

 private:
  StandinHost();
  ~StandinHost();

  bool load(const std::string& text, const std::string& origin, std::string& error,
            const Adjust& adjust, const std::atomic<bool>* stop);
  // keepResults: the query results of the data manager outlive the swap.
  void applyLocked(const HostContent& content, bool keepResults);
  void registerLocked();

  // hostMutex_ guards ecus_, defaultEcu_, unavailable_, diagServices_ and the
  // order of whole loads; each service guards its own content.
  mutable std::mutex hostMutex_;
  std::unique_ptr<StandinDataManager> dataManager_;
  std::unique_ptr<StandinTextService> textService_;
  std::unique_ptr<StandinDiagData> diagData_;
  // Every ECU ever described; those not in the current file are withdrawn.
  std::map<std::string, std::unique_ptr<StandinDiagServices>> diagServices_;
  std::set<std::string> ecus_;
  std::string defaultEcu_;
  std::set<std::wstring> unavailable_;  // component identifiers
};
