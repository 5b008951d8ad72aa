// A component module for ft-host's loading whose steps fail on demand; it records what the host
// called on it, in order.
#include <QString>
#include <string>
#include <vector>

#include "IComponent.h"
#include "ProxyComponent.h"
#include "component/IQFTServer.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

extern "C" {
// 0: nothing fails; 1: no component; 2: no proxy; 3: a proxy without the server interface;
// 4: configure refuses.
__attribute__((visibility("default"))) int fakeFault = 0;
__attribute__((visibility("default"))) std::vector<std::string> fakeCalls;
}

namespace {

void record(const char* call) {
  fakeCalls.emplace_back(call);
}

class FakeComponent : public IComponent {
 public:
  explicit FakeComponent(const ID& id) : id_(id) {}
  ~FakeComponent() override { record("~component"); }
  bool init() override {
    record("init");
    return true;
  }
  const ID& getID() const override { return id_; }

 private:
  ID id_;
};

class PlainProxy : public ProxyComponent {
 public:
  using ProxyComponent::ProxyComponent;
  ~PlainProxy() override { record("~proxy"); }
  void handleEvent(const EventDestroyingComponent&) override { record("destroying"); }
};

class ServerProxy : public PlainProxy, public IQFTServer {
 public:
  using PlainProxy::PlainProxy;
  void run() override { record("run"); }
  bool configure(const QString&) override {
    record("configure");
    return fakeFault != 4;
  }
  void stop() override { record("stop"); }
};

}  // namespace

FAKE_EXPORT IComponent* createComponent(const ID& id) {
  return fakeFault == 1 ? nullptr : new FakeComponent(id);
}

FAKE_EXPORT ProxyComponent* createProxy(const ID&, IComponent* component) {
  if (fakeFault == 2) return nullptr;
  if (fakeFault == 3) return new PlainProxy(component);
  return new ServerProxy(component);
}
