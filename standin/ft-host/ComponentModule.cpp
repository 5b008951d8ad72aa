#include "ComponentModule.h"

#include <dlfcn.h>

ComponentModule::~ComponentModule() {
  close();
}

// All symbols are bound at load time, so a module missing a host symbol fails here, not mid-run.
bool ComponentModule::open(const std::string& path, std::string& error) {
  close();
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = ::dlerror();
    error = "cannot load module " + path + ": " + (reason != nullptr ? reason : "unknown error");
    return false;
  }
  void* create = ::dlsym(handle_, "createComponent");
  void* proxy = ::dlsym(handle_, "createProxy");
  if (create == nullptr || proxy == nullptr) {
    error = "module " + path + " lacks the export " +
            (create == nullptr ? "createComponent" : "createProxy");
    close();
    return false;
  }
  createComponent_ = reinterpret_cast<CreateComponent>(create);
  createProxy_ = reinterpret_cast<CreateProxy>(proxy);
  return true;
}

void ComponentModule::close() {
  createComponent_ = nullptr;
  createProxy_ = nullptr;
  if (handle_ != nullptr) ::dlclose(handle_);
  handle_ = nullptr;
}
