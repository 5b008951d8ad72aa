#pragma once

#include <atomic>

#include "IParameterizedComponent.h"

// Base of components that keep their identifier and a thread-safe reference count.
class HOST_API CComponent_Thread_Ref : public IParameterizedComponent {
 public:
  explicit CComponent_Thread_Ref(const ID& id);
  ~CComponent_Thread_Ref() override;
  const ID& getID() const override;
  long attach() override;
  long detach() override;
  long attachProxy() override;
  long detachProxy() override;
  long acquire() override;
  long release() override;

 private:
  ID id_;
  std::atomic<long> references_{0};
  std::atomic<long> proxies_{0};
};
