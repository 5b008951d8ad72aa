#include "StandinComponentManager.h"

#include "WideText.h"

StandinComponentManager& StandinComponentManager::instance() {
  static StandinComponentManager manager;
  return manager;
}

StandinComponentManager::StandinComponentManager() = default;
StandinComponentManager::~StandinComponentManager() = default;

int StandinComponentManager::getComponent(const ID& id, IComponent** component) {
  if (component == nullptr) return -1;
  std::lock_guard lock(componentsGuard_);
  auto it = components_.find(stdWide(id.getText()));
  if (it == components_.end() || it->second == nullptr) return -1;
  *component = it->second;
  return 0;
}

void StandinComponentManager::add(const ID& id, IComponent* component) {
  std::lock_guard lock(componentsGuard_);
  components_.insert_or_assign(stdWide(id.getText()), component);
}

void StandinComponentManager::remove(const ID& id) {
  std::lock_guard lock(componentsGuard_);
  components_.erase(stdWide(id.getText()));
}
