// A test against a fresh stand-in host that captures every log level and prints nothing.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "StandinHost.h"
#include "StandinLog.h"

class StandinHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinHost::instance().clear();
    StandinLog::setLevel(MakoraLog_Static::Trace);
    StandinLog::setStderr(false);
  }
  void TearDown() override {
    StandinLog::stopCapture();
    StandinLog::setStderr(true);
    StandinHost::instance().clear();
  }
  // A data file describing the ECU DEMO with data inside its <data>.
  static void load(const std::string& data) {
    std::string error;
    ASSERT_TRUE(StandinHost::instance().loadText(
        "<host ecu=\"DEMO\"><data>" + data + "</data><ecu name=\"DEMO\"/></host>", error))
        << error;
  }
};
