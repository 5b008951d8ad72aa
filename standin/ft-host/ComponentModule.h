#pragma once

#include <string>

class ID;
class IComponent;
class ProxyComponent;

// The component module, loaded with both of its entry points resolved, and
// unloaded when this object goes.
class ComponentModule {
 public:
  using CreateComponent = IComponent* (*)(const ID&);
  using CreateProxy = ProxyComponent* (*)(const ID&, IComponent*);

  ComponentModule() = default;
  ComponentModule(const ComponentModule&) = delete;
  ComponentModule& operator=(const ComponentModule&) = delete;
  ~ComponentModule();

  // False and a one-line error naming the module when it cannot be loaded or
  // lacks an entry point; nothing stays loaded then.
  bool open(const std::string& path, std::string& error);
  void close();

  CreateComponent createComponent() const { return createComponent_; }
  CreateProxy createProxy() const { return createProxy_; }

 private:
  void* handle_ = nullptr;
  CreateComponent createComponent_ = nullptr;
  CreateProxy createProxy_ = nullptr;
};
