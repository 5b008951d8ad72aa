// ft-host's loading of the component. Faults these rows catch: a step that fails leaves what
// was created behind or deletes what was not; the proxy outlives or is told after its
// component; the server is not stopped before it goes, or is stopped though it never ran.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LoadedComponent.h"

namespace {

TEST(LoadedComponent, WhatWasDoneIsUndoneLastStepFirst) {
  // Held open here too, so that the module's record outlives each unload.
  void* module = ::dlopen(FT_FAKE_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << ::dlerror();
  int& fault = *static_cast<int*>(::dlsym(module, "fakeFault"));
  auto& calls = *static_cast<std::vector<std::string>*>(::dlsym(module, "fakeCalls"));
  const std::string path = FT_FAKE_MODULE;
  const std::string id = LoadedComponent::kId;
  using Calls = std::vector<std::string>;
  const struct {
    int fault;
    std::string error;
    Calls calls;
  } rows[] = {
      {0, "", {"init", "configure", "run", "stop", "destroying", "~proxy", "~component"}},
      {1, "module " + path + " created no component for " + id, {}},
      {2, "module " + path + " created no proxy for " + id, {"~component"}},
      {3,
       "the proxy of module " + path + " offers no server interface",
       {"destroying", "~proxy", "~component"}},
      {4,
       "the component refused configure(ECU)",
       {"init", "configure", "destroying", "~proxy", "~component"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fault);
    fault = row.fault;
    calls.clear();
    std::string error;
    {
      LoadedComponent component;
      const bool loaded = component.load(path, "ECU", error);
      EXPECT_EQ(loaded, row.error.empty());
      if (loaded) component.run();
    }
    EXPECT_EQ(error, row.error);
    EXPECT_EQ(calls, row.calls);
  }
  ::dlclose(module);
}

}  // namespace
