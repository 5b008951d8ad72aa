#include <gtest/gtest.h>

#include <vector>

#include "StandinEvents.h"
#include "dispatch/CommandHandlerBase.h"

namespace {

TEST(CommandHandlerBase, NotifyStopScenarioSendsEvent669) {
  StandinEvents::clear();
  notifyStopScenario();
  ASSERT_TRUE(StandinEvents::waitForCount(1, 5000));
  EXPECT_EQ(StandinEvents::received(), std::vector<int>{669});
}

}  // namespace
