#pragma once

#include <map>
#include <mutex>
#include <string>

#include "IComponentManager.h"

// The component manager: components by exact identifier. It does not own them.
class HOST_API StandinComponentManager : public IComponentManager {
 public:
  // The process-wide manager handed out by ComponentManagerFactory.
  static StandinComponentManager& instance();

  StandinComponentManager();
  ~StandinComponentManager() override;

  int getComponent(const ID& id, IComponent** component) override;
  using IComponentManager::getComponent;

  // Registers component under id, replacing any earlier one.
  void add(const ID& id, IComponent* component);
  void remove(const ID& id);

 private:
  // componentsGuard_ guards components_.
  std::mutex componentsGuard_;
  std::map<std::wstring, IComponent*> components_;
};
