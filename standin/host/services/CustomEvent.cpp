#include "CustomEvent.h"

CustomEvent::CustomEvent(int eventId) : eventId_(eventId) {}
