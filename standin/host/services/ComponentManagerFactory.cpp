#include "ComponentManagerFactory.h"

#include "StandinComponentManager.h"

IComponentManager* ComponentManagerFactory::getComponentManager() {
  return &StandinComponentManager::instance();
}
