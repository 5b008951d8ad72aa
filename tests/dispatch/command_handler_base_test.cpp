#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

#include "StandinEvents.h"
#include "StandinLog.h"
#include "dispatch/CommandHandlerBase.h"

namespace {

class StubHandler : public CommandHandlerBase {
 public:
  bool processRequest(QByteArray&) override { return true; }
  bool checkParameters() override { return true; }
};

std::vector<std::string> warnings(const std::vector<LogRecord>& records) {
  std::vector<std::string> out;
  for (const auto& r : records)
    if (r.level == MakoraLog_Static::Warning) out.push_back(r.className + ": " + r.message);
  return out;
}

TEST(CommandHandlerBase, IsParameterEmpty) {
  struct Case {
    const char* name;
    bool empty;
    const char* warning;  // null: none
  };
  const Case cases[] = {
      {"bare", true,
       "CommandHandlerBase: [CommandHandlerBase::isParameterEmpty]: parameter bare empty"},
      {"absent", true,
       "CommandHandlerBase: [CommandHandlerBase::isParameterEmpty]: parameter absent missing"},
      {"blank", false, nullptr},
      {"set", false, nullptr},
  };
  StubHandler handler;
  handler.setParameters({{"bare", ""}, {"blank", " "}, {"set", "v"}});
  StandinLog::setLevel(MakoraLog_Static::Trace);
  StandinLog::setStderr(false);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StandinLog::startCapture();
    EXPECT_EQ(handler.isParameterEmpty(QString::fromLatin1(c.name)), c.empty);
    const auto logged = warnings(StandinLog::takeCaptured());
    if (c.warning != nullptr)
      EXPECT_EQ(logged, std::vector<std::string>{c.warning});
    else
      EXPECT_TRUE(logged.empty());
  }
  StandinLog::stopCapture();
  EXPECT_EQ(handler.getParameters().size(), 3);
}

TEST(CommandHandlerBase, ToUtf8Bytes) {
  struct Case {
    QString text;
    QByteArray bytes;
  };
  const Case cases[] = {
      {QString(), QByteArray()},
      {QStringLiteral("abc"), QByteArray("abc")},
      {QString(QChar(0xE9)), QByteArray("\xC3\xA9")},
      {QString(QChar(0x20AC)), QByteArray("\xE2\x82\xAC")},
      {QString::fromUcs4(U"\U0001D11E"), QByteArray("\xF0\x9D\x84\x9E")},
      {QStringLiteral("a") + QChar(0) + QStringLiteral("b"), QByteArray("a\0b", 3)},
  };
  for (const auto& c : cases) {
    QByteArray bytes("stale");
    toUtf8Bytes(c.text, bytes);
    EXPECT_EQ(bytes, c.bytes) << c.text.toStdString();
  }
}

TEST(CommandHandlerBase, NotifyStopScenarioSendsEvent669) {
  StandinEvents::clear();
  notifyStopScenario();
  ASSERT_TRUE(StandinEvents::waitForCount(1, 5000));
  EXPECT_EQ(StandinEvents::received(), std::vector<int>{669});
}

}  // namespace
