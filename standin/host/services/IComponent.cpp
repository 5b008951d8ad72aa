#include "IComponent.h"

#include "IBText.h"
#include "IComponentManager.h"
#include "IDataManager.h"
#include "IDiagData.h"
#include "IDiagServices.h"
#include "IParameterizedComponent.h"

// The interfaces' destructors live here so that their type information is the
// host library's, shared by every module that casts to them.
IComponent::~IComponent() = default;
IParameterizedComponent::~IParameterizedComponent() = default;
IComponentManager::~IComponentManager() = default;
IDataManager::~IDataManager() = default;
IBText::~IBText() = default;
IDiagData::~IDiagData() = default;
IDiagServices::~IDiagServices() = default;

int IComponent::test(BOStream&) {
  return 0;
}
bool IComponent::init() {
  return true;
}
void IComponent::cleanupResources() {}
int IComponent::run(BOStream&) {
  return 0;
}
int IComponent::getXMLState(ACE_String_Base<char>&) {
  return 0;
}
long IComponent::attach() {
  return 0;
}
long IComponent::detach() {
  return 0;
}
long IComponent::attachProxy() {
  return 0;
}
long IComponent::detachProxy() {
  return 0;
}
long IComponent::acquire() {
  return 0;
}
long IComponent::release() {
  return 0;
}
