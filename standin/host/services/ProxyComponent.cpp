#include "ProxyComponent.h"

// The proxy hears of its own component's destruction without asking: the
// component's proxies never register themselves.
ProxyComponent::ProxyComponent(IComponent* component)
    : id_(component != nullptr ? component->getID() : ID()) {
  if (component != nullptr) Handler<EventDestroyingComponent>::Register(id_);
}

ProxyComponent::~ProxyComponent() = default;

void ProxyComponent::handleEvent(const EventDestroyingComponent&) {}
int ProxyComponent::test(BOStream&) {
  return 0;
}
int ProxyComponent::run(BOStream&) {
  return 0;
}
const ID& ProxyComponent::getID() const {
  return id_;
}
