#include "CComponent_Thread_Ref.h"

CComponent_Thread_Ref::CComponent_Thread_Ref(const ID& id) : id_(id) {}
CComponent_Thread_Ref::~CComponent_Thread_Ref() = default;

const ID& CComponent_Thread_Ref::getID() const {
  return id_;
}

// The counts only inform: the host owns the component and deletes it itself.
long CComponent_Thread_Ref::attach() {
  return ++references_;
}
long CComponent_Thread_Ref::detach() {
  return --references_;
}
long CComponent_Thread_Ref::attachProxy() {
  return ++proxies_;
}
long CComponent_Thread_Ref::detachProxy() {
  return --proxies_;
}
long CComponent_Thread_Ref::acquire() {
  return attach();
}
long CComponent_Thread_Ref::release() {
  return detach();
}
