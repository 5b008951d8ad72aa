#include "EventDestroyingComponent.h"

EventDestroyingComponent::EventDestroyingComponent(const ID& componentId)
    : componentId_(componentId) {}
