// The host's services: data manager, text service, component manager, events.
#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "BEvent.h"
#include "CComponent_Thread_Ref.h"
#include "ComponentManagerFactory.h"
#include "MakoraLog_Static.h"
#include "ProxyComponent.h"
#include "StandinComponentManager.h"
#include "StandinDataManager.h"
#include "StandinEvents.h"
#include "StandinLog.h"
#include "StandinTextService.h"

namespace {

// ACE's string built from an empty literal trips a false -Wstringop-overflow in
// GCC; building it with an explicit length does not.
ACE_WString wide(const wchar_t* text) {
  return ACE_WString(text, std::wcslen(text));
}

std::wstring str(const ACE_WString& s) {
  return std::wstring(s.c_str(), s.length());
}

constexpr const char* kPort = "data:/Configuration/OrvaneFunctionTests/SocketPort";
constexpr const char* kDev = "data:/Configuration/OrvaneFunctionTests/DevelopmentMode";
constexpr const char* kRoot = "data:/Configuration/OrvaneData/OrvaneDataRoot";
constexpr const char* kStates = "data:/Auto/InternalOwner/UCEs/DEMO/States";

void fill(StandinDataManager& dm) {
  dm.writeInteger(kPort, 61111);
  dm.writeFlag(kDev, true);
  dm.writeString(kRoot, L"files");
  BSet states;
  states.setInt(L"VehicleType", 2);
  dm.writeSet(kStates, states);
}

TEST(HostDataManager, TypedReads) {
  enum Kind { Integer, Flag, String, Set };
  struct Row {
    Kind kind;
    const char* key;
    bool found;
    std::wstring expected;
  };
  const Row rows[] = {
      {Integer, kPort, true, L"61111"},
      {Flag, kDev, true, L"1"},
      {String, kRoot, true, L"files"},
      {Set, kStates, true, L"VehicleType=2"},
      {Integer, kDev, false, L""},
      {Flag, kPort, false, L""},
      {String, kPort, false, L""},
      {Set, kRoot, false, L""},
      {Integer, "data:/absent", false, L""},
      {String, "data:/configuration/orvanedata/orvanedataroot", false, L""},
  };
  StandinDataManager dm;
  fill(dm);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    int status = 0;
    std::wstring got;
    bool unchanged = false;
    switch (row.kind) {
      case Integer: {
        int value = -5;
        status = dm.readInteger(row.key, value);
        got = std::to_wstring(value);
        unchanged = value == -5;
        break;
      }
      case Flag: {
        bool value = false;
        status = dm.readFlag(row.key, value);
        got = value ? L"1" : L"0";
        unchanged = !value;
        break;
      }
      case String: {
        ACE_WString value(L"sentinel");
        status = dm.readString(row.key, value);
        got = str(value);
        unchanged = got == L"sentinel";
        break;
      }
      case Set: {
        BSet value;
        value.setInt(L"Sentinel", 1);
        status = dm.readSet(row.key, value);
        long number = 0;
        if (value.getInt(L"VehicleType", number) == 0)
          got = L"VehicleType=" + std::to_wstring(number);
        unchanged = value.size() == 1 && value.getInt(L"Sentinel", number) == 0;
        break;
      }
    }
    if (row.found) {
      EXPECT_EQ(status, 0);
      EXPECT_EQ(got, row.expected);
    } else {
      EXPECT_NE(status, 0);
      EXPECT_TRUE(unchanged);
    }
  }
}

TEST(HostDataManager, WritesReplaceMergeAndRemove) {
  StandinDataManager dm;
  fill(dm);
  BSet update;
  update.setInt(L"Options", 5);
  update.setInt(L"VehicleType", 3);
  dm.mergeSet(kStates, update);
  dm.mergeSet(kPort, update);  // another type: becomes a set
  BSet read;
  ASSERT_EQ(dm.readSet(kStates, read), 0);
  EXPECT_EQ(read.size(), 2);
  long value = 0;
  ASSERT_EQ(read.getInt(L"VehicleType", value), 0);
  EXPECT_EQ(value, 3);
  int port = 0;
  EXPECT_NE(dm.readInteger(kPort, port), 0);
  EXPECT_EQ(dm.readSet(kPort, read), 0);

  dm.writeSet(kStates, BSet());
  ASSERT_EQ(dm.readSet(kStates, read), 0);
  EXPECT_EQ(read.size(), 0);
  dm.remove(kStates);
  EXPECT_NE(dm.readSet(kStates, read), 0);
  dm.clear();
  ACE_WString root;
  EXPECT_NE(dm.readString(kRoot, root), 0);
  EXPECT_EQ(str(dm.getID().getText()), L"makora:DM?DataManager");
}

TEST(HostTextService, LookupFallsBackToTheDefault) {
  StandinTextService texts;
  texts.setText(L"T_ON", L"On");
  texts.setText(L"T_EMPTY", wide(L""));
  struct Row {
    const wchar_t* code;
    const wchar_t* defaultText;
    std::wstring expected;
  };
  const Row rows[] = {
      {L"T_ON", L"", L"On"},      {L"T_ON", L"Default", L"On"}, {L"T_EMPTY", L"Default", L""},
      {L"T_OFF", L"Off", L"Off"}, {L"t_on", L"", L""},          {L"", L"", L""},
  };
  for (const Row& row : rows) {
    ACE_WString out(L"sentinel");
    EXPECT_EQ(&texts.lookupText(out, wide(row.code), wide(row.defaultText)), &out);
    EXPECT_EQ(str(out), row.expected) << row.code;
  }
  texts.clear();
  ACE_WString out;
  EXPECT_EQ(str(texts.lookupText(out, L"T_ON", L"x")), L"x");
  EXPECT_EQ(str(texts.getID().getText()), L"makora:BText?BText");
}

class Component : public CComponent_Thread_Ref {
 public:
  using CComponent_Thread_Ref::CComponent_Thread_Ref;
};

TEST(HostComponentManager, HandsOutWhatWasAdded) {
  IComponentManager* manager = ComponentManagerFactory::getComponentManager();
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(manager, &StandinComponentManager::instance());
  StandinDataManager dm;
  StandinComponentManager::instance().add(dm.getID(), &dm);

  IDataManager* found = nullptr;
  ASSERT_EQ(manager->getComponent(ID("makora:DM?DataManager"), &found), 0);
  EXPECT_EQ(found, &dm);
  IBText* wrongType = nullptr;
  EXPECT_NE(manager->getComponent(ID("makora:DM?DataManager"), &wrongType), 0);
  IComponent* missing = nullptr;
  EXPECT_NE(manager->getComponent(ID("makora:BText?BText"), &missing), 0);
  EXPECT_EQ(missing, nullptr);
  EXPECT_NE(manager->getComponent(ID("makora:DM?DataManager"), nullptr), 0);

  StandinComponentManager::instance().remove(dm.getID());
  EXPECT_NE(manager->getComponent(ID("makora:DM?DataManager"), &found), 0);
}

class RecordingProxy : public ProxyComponent {
 public:
  using ProxyComponent::ProxyComponent;
  void handleEvent(const EventDestroyingComponent& event) override {
    seen.push_back(str(event.getComponentID().getText()));
  }
  std::vector<std::wstring> seen;
};

TEST(HostEvents, DestroyingEventsReachTheProxiesOfThatComponent) {
  Component server(ID("OrvFTServer"));
  Component other(ID("Other"));
  RecordingProxy proxy(&server);
  RecordingProxy otherProxy(&other);
  RecordingProxy unbound(nullptr);
  EXPECT_EQ(str(proxy.getID().getText()), L"OrvFTServer");
  EXPECT_EQ(str(unbound.getID().getText()), L"");

  proxy.Register(ID("OrvFTServer"));  // twice is still once
  EXPECT_EQ(StandinEvents::announceDestroying(ID("OrvFTServer")), 1u);
  EXPECT_EQ(proxy.seen, std::vector<std::wstring>{L"OrvFTServer"});
  EXPECT_TRUE(otherProxy.seen.empty());
  EXPECT_TRUE(unbound.seen.empty());

  EXPECT_EQ(proxy.unregister(ID("OrvFTServer")), 0);
  EXPECT_NE(proxy.unregister(ID("OrvFTServer")), 0);
  EXPECT_EQ(StandinEvents::announceDestroying(ID("OrvFTServer")), 0u);
  { RecordingProxy shortLived(&server); }
  EXPECT_EQ(StandinEvents::announceDestroying(ID("OrvFTServer")), 0u);
  EXPECT_EQ(StandinEvents::announceDestroying(ID("Other")), 1u);
}

TEST(HostEvents, CustomEventsAreDeliveredAndLoggedOnAHostThread) {
  StandinLog::setStderr(false);
  StandinLog::startCapture();
  StandinEvents::clear();
  for (int id : {669, 1, 669}) BEvent<CustomEvent>::notify_async(CustomEvent(id), nullptr);
  ASSERT_TRUE(StandinEvents::waitForCount(3, 10000));
  EXPECT_EQ(StandinEvents::received(), (std::vector<int>{669, 1, 669}));
  StandinEvents::shutdown();
  std::vector<std::string> lines;
  for (const LogRecord& record : StandinLog::takeCaptured()) {
    if (record.className != "EventService") continue;
    EXPECT_EQ(record.level, MakoraLog_Static::Information);
    lines.push_back(record.message);
  }
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("event 669"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("event 1"), std::string::npos) << lines[1];

  // A post after shutdown starts delivery again.
  BEvent<CustomEvent>::notify_async(CustomEvent(7), nullptr);
  EXPECT_TRUE(StandinEvents::waitForCount(4, 10000));
  StandinEvents::clear();
  EXPECT_TRUE(StandinEvents::received().empty());
  StandinLog::stopCapture();
  StandinLog::setStderr(true);
}

// Readers and writers of every shared service at once; a race shows as a
// wrong value here or as a report under the sanitizers.
TEST(HostConcurrency, ServicesTakeConcurrentCalls) {
  StandinDataManager dm;
  StandinTextService texts;
  fill(dm);
  StandinLog::setStderr(false);
  StandinLog::setLevel(MakoraLog_Static::Warning);
  constexpr int kRounds = 2000;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  threads.emplace_back([&] {
    for (int i = 0; i < kRounds; ++i) {
      dm.writeInteger(kPort, 1000 + i % 2);
      BSet entries;
      entries.setInt(L"Counter", i);
      dm.mergeSet(kStates, entries);
      texts.setText(L"T", i % 2 == 0 ? L"even" : L"odd");
    }
  });
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        int port = 0;
        if (dm.readInteger(kPort, port) != 0 || (port != 61111 && port != 1000 && port != 1001))
          ++wrong;
        BSet states;
        long type = 0;
        if (dm.readSet(kStates, states) != 0 || states.getInt(L"VehicleType", type) != 0 ||
            type != 2)
          ++wrong;
        ACE_WString text;
        texts.lookupText(text, L"T", L"none");
        const std::wstring got = str(text);
        if (got != L"even" && got != L"odd" && got != L"none") ++wrong;
        MakoraLog_Static::logInformation_static(L"C", L"M", L"X", L"%d", i);  // filtered
        if (i % 500 == 0) MakoraLog_Static::logWarning_static(L"C", L"M", L"X", L"%s %d", L"w", i);
        if (i % 700 == 0) BEvent<CustomEvent>::notify_async(CustomEvent(i), nullptr);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  StandinEvents::shutdown();
  StandinLog::setLevel(MakoraLog_Static::Information);
  StandinLog::setStderr(true);
}

}  // namespace
