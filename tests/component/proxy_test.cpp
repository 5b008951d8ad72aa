#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CComponent_Thread_Ref.h"
#include "EventDestroyingComponent.h"
#include "StandinLog.h"
#include "component/IQFTServer.h"
#include "component/PQFTServer.h"

namespace {

// Counts what reaches it through the proxy.
class FakeServer : public CComponent_Thread_Ref, public IQFTServer {
 public:
  FakeServer() : CComponent_Thread_Ref(ID("ft:Server?OrvFTServer")) {}
  using CComponent_Thread_Ref::run;
  void run() override { calls.push_back("run"); }
  bool configure(const QString& ecu) override {
    calls.push_back("configure " + ecu.toStdString());
    return true;
  }
  void stop() override { calls.push_back("stop"); }
  std::vector<std::string> calls;
};

std::vector<std::string> warnings() {
  std::vector<std::string> out;
  for (const auto& r : StandinLog::takeCaptured())
    if (r.level == MakoraLog_Static::Warning && r.className == "PQFTServer")
      out.push_back(r.message);
  return out;
}

const std::vector<std::string> kRefusals = {
    "[PQFTServer::run()]: Component not loaded.",
    "[PQFTServer::configure(const QString, const QString) : bool]: Component not loaded.",
    "[PQFTServer::stop()]: Component not loaded.",
};

TEST(Proxy, ForwardsOrRefuses) {
  struct Case {
    const char* name;
    bool wrap;
    std::vector<const char*> destroyed;  // ids of the components destroyed first
    bool forwarded;
  };
  const Case cases[] = {
      {"bound", true, {}, true},
      {"another component destroyed", true, {"ft:Other?OrvFTServer"}, true},
      {"own component destroyed", true, {"ft:Server?OrvFTServer"}, false},
      {"no way back after unbinding",
       true,
       {"ft:Server?OrvFTServer", "ft:Other?OrvFTServer"},
       false},
      {"built without a component", false, {}, false},
  };
  StandinLog::setLevel(MakoraLog_Static::Trace);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeServer server;
    PQFTServer proxy(c.wrap ? &server : nullptr);
    for (const char* id : c.destroyed) proxy.handleEvent(EventDestroyingComponent(ID(id)));
    StandinLog::startCapture();
    proxy.run();
    const bool configured = proxy.configure(QStringLiteral("DEMO"));
    proxy.stop();
    const auto logged = warnings();
    StandinLog::stopCapture();
    if (c.forwarded) {
      EXPECT_EQ(server.calls, (std::vector<std::string>{"run", "configure DEMO", "stop"}));
      EXPECT_TRUE(configured);
      EXPECT_TRUE(logged.empty());
    } else {
      EXPECT_TRUE(server.calls.empty());
      EXPECT_FALSE(configured);
      EXPECT_EQ(logged, kRefusals);
    }
  }
}

}  // namespace
