// The module's two entry points, reached the way a host reaches them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "IComponent.h"
#include "ID.h"
#include "ProxyComponent.h"

namespace {

const std::string kModule = std::string(FT_BINARY_DIR) + "/lib/libZRKOrvaneFTServer.so";

using CreateComponent = IComponent* (*)(const ID&);
using CreateProxy = ProxyComponent* (*)(const ID&, IComponent*);

TEST(ServerExports, IdentifierRulesAndNothingElse) {
  // Kept mapped after dlclose, so that a leak report at exit can name the
  // library it comes from (and the sanitizer suppressions match it).
  void* module = ::dlopen(kModule.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  ASSERT_NE(module, nullptr) << ::dlerror();
  auto createComponent = reinterpret_cast<CreateComponent>(::dlsym(module, "createComponent"));
  auto createProxy = reinterpret_cast<CreateProxy>(::dlsym(module, "createProxy"));
  ASSERT_NE(createComponent, nullptr);
  ASSERT_NE(createProxy, nullptr);

  struct Case {
    const char* id;
    bool component;  // decided on the full query, fragment included
    bool proxy;      // decided on the query alone
  };
  const Case cases[] = {
      {"OrvFTServer", true, true},
      {"makora:ZRKOrvaneFTServer?OrvFTServer", true, true},
      {"makora:ZRKOrvaneFTServer?", true, true},
      {"makora:ZRKOrvaneFTServer#frag", true, true},
      {"makora:ZRKOrvaneFTServer?OrvFTServer#frag", false, true},
      {"makora:ZRKOrvaneFTServer?Other", false, false},
      {"makora:ZRKOrvaneFTServer?orvftserver", false, false},
      {"makora:ZRKOrvaneFTServer?OrvFTServer2", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    IComponent* component = createComponent(ID(c.id));
    EXPECT_EQ(component != nullptr, c.component);
    ProxyComponent* proxy = createProxy(ID(c.id), component);
    EXPECT_EQ(proxy != nullptr, c.proxy);
    delete proxy;
    delete component;
  }
  EXPECT_EQ(::dlclose(module), 0);

  // Nothing else is exported.
  FILE* pipe = ::popen(("nm -D --defined-only " + kModule + " 2>/dev/null").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
  if (::pclose(pipe) != 0 || text.empty()) GTEST_SKIP() << "nm is not available";
  std::set<std::string> names;
  std::istringstream lines(text);
  std::string address, type, name;
  while (lines >> address >> type >> name) names.insert(name);
  EXPECT_EQ(names, (std::set<std::string>{"createComponent", "createProxy"}));
}

}  // namespace
