#include "StandinHost.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>

#include "HostContent.h"
#include "HostFileReader.h"
#include "StandinComponentManager.h"
#include "StandinDataManager.h"
#include "StandinDiagData.h"
#include "StandinDiagServices.h"
#include "StandinLimits.h"
#include "StandinLog.h"
#include "StandinTextService.h"
#include "WideText.h"

StandinHost& StandinHost::instance() {
  // Never destroyed: components and the component manager may outlive static destruction order.
  static StandinHost* host = new StandinHost();
  return *host;
}

StandinHost::StandinHost()
    : dataManager_(std::make_unique<StandinDataManager>()),
      textService_(std::make_unique<StandinTextService>()),
      diagData_(std::make_unique<StandinDiagData>()) {
  std::lock_guard<std::mutex> lock(hostMutex_);
  registerLocked();
}

StandinHost::~StandinHost() = default;

namespace {

// Where a simulated ECU stores the outcome of a query, for the component to read
// right after: a reload between the two must not take it away while the ECU stays.
std::wstring queryResults(const std::string& ecu) {
  return L"data:/Auto/UCEs/" + pugi::as_wide(ecu) + L"/";
}

}  // namespace

bool StandinHost::loadFile(const std::string& path, std::string& error, const Adjust& adjust,
                           const std::atomic<bool>* stop) {
  // Non-blocking, so that a FIFO cannot hold the open; it is refused below like a device.
  error.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  std::string text;
  if (::fstat(fd, &info) != 0) {
    error = path + ": cannot read: " + std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    error = path + ": cannot read: not a regular file";
  } else if (static_cast<std::size_t>(info.st_size) > standin_limits::kMaxDataFileBytes) {
    error = path + ": cannot read: larger than " +
            std::to_string(standin_limits::kMaxDataFileBytes >> 20) + " MiB";
  } else {
    text.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    ssize_t n = 0;
    while (got < text.size() && (n = ::read(fd, text.data() + got, text.size() - got)) > 0)
      got += static_cast<std::size_t>(n);
    if (n < 0) error = path + ": cannot read: " + std::strerror(errno);
    text.resize(got);  // a file that shrank meanwhile is read as it is now
  }
  ::close(fd);
  if (!error.empty()) return false;
  return load(text, path, error, adjust, stop);
}

bool StandinHost::loadText(const std::string& xml, std::string& error) {
  return load(xml, "(text)", error, {}, nullptr);
}

bool StandinHost::load(const std::string& text, const std::string& origin, std::string& error,
                       const Adjust& adjust, const std::atomic<bool>* stop) {
  HostContent content;
  HostFileReader reader(text, origin, stop);
  if (!reader.read(content)) {
    error = reader.error();
    return false;
  }
  for (const std::string& warning : reader.warnings())
    if (MakoraLog_Static::isEnabled(MakoraLog_Static::Warning))
      StandinLog::write(MakoraLog_Static::Warning, "StandinHost", warning);
  if (adjust) adjust(content);
  std::lock_guard<std::mutex> lock(hostMutex_);
  applyLocked(content, true);
  return true;
}

void StandinHost::applyLocked(const HostContent& content, bool keepResults) {
  StandinDataManager data;
  for (const HostContent::DataItem& item : content.data) {
    const ID key(aceWide(item.key));
    if (const int* integer = std::get_if<int>(&item.value))
      data.writeInteger(key, *integer);
    else if (const bool* flag = std::get_if<bool>(&item.value))
      data.writeFlag(key, *flag);
    else if (const std::wstring* text = std::get_if<std::wstring>(&item.value))
      data.writeString(key, aceWide(*text));
    else
      data.mergeSet(key, std::get<BSet>(item.value));
  }
  std::vector<std::wstring> kept;
  if (keepResults)
    for (const std::string& ecu : ecus_)
      if (content.simulations.count(ecu) != 0) kept.push_back(queryResults(ecu));
  dataManager_->replaceWith(data, kept);

  StandinTextService texts;
  for (const auto& [code, text] : content.texts) texts.setText(aceWide(code), aceWide(text));
  textService_->replaceWith(texts);

  diagData_->setDescriptions(content.descriptions);
  ecus_.clear();
  for (const auto& [name, simulation] : content.simulations) {
    auto& services = diagServices_[name];
    if (!services)
      services = std::make_unique<StandinDiagServices>(name, *dataManager_, *diagData_);
    services->setSimulation(simulation);
    ecus_.insert(name);
  }
  for (auto& [name, services] : diagServices_)
    if (ecus_.count(name) == 0) services->setSimulation({});
  defaultEcu_ = content.defaultEcu;
  registerLocked();
}

void StandinHost::registerLocked() {
  StandinComponentManager& manager = StandinComponentManager::instance();
  // Replaced in place, never withdrawn for a moment: a look-up meanwhile would fail.
  auto offer = [&](IComponent& component, bool described) {
    const ID& id = component.getID();
    if (described && unavailable_.count(stdWide(id.getText())) == 0)
      manager.add(id, &component);
    else
      manager.remove(id);
  };
  offer(*dataManager_, true);
  offer(*textService_, true);
  offer(*diagData_, true);
  for (auto& [name, services] : diagServices_) offer(*services, ecus_.count(name) != 0);
}

void StandinHost::clear() {
  std::lock_guard<std::mutex> lock(hostMutex_);
  unavailable_.clear();
  applyLocked(HostContent{}, false);
}

std::string StandinHost::defaultEcu() const {
  std::lock_guard<std::mutex> lock(hostMutex_);
  return defaultEcu_;
}

bool StandinHost::describesEcu(const std::string& name) const {
  std::lock_guard<std::mutex> lock(hostMutex_);
  return ecus_.count(name) != 0;
}

void StandinHost::setComponentAvailable(const std::string& id, bool available) {
  std::lock_guard<std::mutex> lock(hostMutex_);
  const std::wstring wideId = pugi::as_wide(id);
  if (available)
    unavailable_.erase(wideId);
  else
    unavailable_.insert(wideId);
  registerLocked();
}
