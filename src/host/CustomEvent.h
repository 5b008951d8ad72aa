#pragma once

#include "HostApi.h"

// An event identified by a number only.
class HOST_API CustomEvent {
 public:
  explicit CustomEvent(int eventId);
  int getEventId() const { return eventId_; }

 private:
  int eventId_;
};
