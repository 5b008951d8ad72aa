#include "StandinHost.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>

#include "HostContent.h"
#include "HostFileReader.h"
#include "StandinComponentManager.h"
#include "StandinDataManager.h"
#include "StandinDiagData.h"
#include "StandinDiagServices.h"
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

bool StandinHost::loadFile(const std::string& path, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  std::string text;
  char buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  const int readErrno = errno;
  std::fclose(file);
  if (failed) {
    error = path + ": cannot read: " + std::strerror(readErrno);
    return false;
  }
  return load(text, path, error);
}

bool StandinHost::loadText(const std::string& xml, std::string& error) {
  return load(xml, "(text)", error);
}

bool StandinHost::load(const std::string& text, const std::string& origin, std::string& error) {
  HostContent content;
  HostFileReader reader(text, origin);
  if (!reader.read(content)) {
    error = reader.error();
    return false;
  }
  for (const std::string& warning : reader.warnings())
    if (MakoraLog_Static::isEnabled(MakoraLog_Static::Warning))
      StandinLog::write(MakoraLog_Static::Warning, "StandinHost", warning);
  std::lock_guard<std::mutex> lock(hostMutex_);
  applyLocked(content);
  return true;
}

void StandinHost::applyLocked(const HostContent& content) {
  dataManager_->clear();
  for (const HostContent::DataItem& item : content.data) {
    const ID key(aceWide(item.key));
    if (const int* integer = std::get_if<int>(&item.value))
      dataManager_->writeInteger(key, *integer);
    else if (const bool* flag = std::get_if<bool>(&item.value))
      dataManager_->writeFlag(key, *flag);
    else if (const std::wstring* text = std::get_if<std::wstring>(&item.value))
      dataManager_->writeString(key, aceWide(*text));
    else
      dataManager_->mergeSet(key, std::get<BSet>(item.value));
  }

  textService_->clear();
  for (const auto& [code, text] : content.texts)
    textService_->setText(aceWide(code), aceWide(text));

  diagData_->setDescriptions(content.descriptions);
  ecus_.clear();
  for (const auto& [name, simulation] : content.simulations) {
    auto& services = diagServices_[name];
    if (!services) services = std::make_unique<StandinDiagServices>(name, *dataManager_);
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
  auto offer = [&](IComponent& component, bool described) {
    const ID& id = component.getID();
    manager.remove(id);
    if (described && unavailable_.count(stdWide(id.getText())) == 0) manager.add(id, &component);
  };
  offer(*dataManager_, true);
  offer(*textService_, true);
  offer(*diagData_, true);
  for (auto& [name, services] : diagServices_) offer(*services, ecus_.count(name) != 0);
}

void StandinHost::clear() {
  std::lock_guard<std::mutex> lock(hostMutex_);
  unavailable_.clear();
  applyLocked(HostContent{});
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
