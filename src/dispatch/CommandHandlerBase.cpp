#include "dispatch/CommandHandlerBase.h"

#include "BEvent.h"
#include "CustomEvent.h"
#include "dispatch/ResponseConstants.h"
#include "platform/FtLog.h"

namespace {
const wchar_t* const kClass = L"CommandHandlerBase";
}

CommandHandlerBase::CommandHandlerBase() {
  FT_LOG_TRACE(kClass, L"[CommandHandlerBase()]: Constructor called.");
}

CommandHandlerBase::~CommandHandlerBase() = default;

void CommandHandlerBase::setCommand(const QString& word) {
  command_ = word;
  row_ = findCommand(word);
}

Reply CommandHandlerBase::answer() {
  if (row_ == nullptr || row_->answer == nullptr) return Reply::failure();
  return row_->answer(*this);
}

// In the row's order; either each missing one is warned about or only the first.
bool CommandHandlerBase::checkParameters() {
  if (row_ == nullptr) return true;
  if (row_->answer == nullptr) return false;
  bool complete = true;
  for (const char* name : row_->required) {
    if (name == nullptr || (!complete && !row_->warnEveryMissing)) break;
    if (isParameterEmpty(QLatin1String(name))) complete = false;
  }
  return complete;
}

bool CommandHandlerBase::processRequest(QByteArray& bytes) {
  const Reply reply = answer();
  for (int i = 0; i < reply.stopEvents; ++i) notifyStopScenario();
  if (reply.failed) return false;
  bytes = reply.head() + reply.body;
  return true;
}

void CommandHandlerBase::setParameters(QMap<QString, QString> newParameters) {
  parameters_ = std::move(newParameters);
}

// Absent and empty-valued parameters both count as empty; blanks do not.
bool CommandHandlerBase::isParameterEmpty(const QString& name) {
  FT_LOG_TRACE(kClass, L"[CommandHandlerBase::isParameterEmpty()]: Method started.");
  bool empty = false;
  auto it = parameters_.constFind(name);
  if (it == parameters_.constEnd()) {
    FT_LOG_WARNING(kClass, L"[CommandHandlerBase::isParameterEmpty]: parameter %s missing",
                   FT_W(name));
    empty = true;
  } else if (it->isEmpty()) {
    FT_LOG_WARNING(kClass, L"[CommandHandlerBase::isParameterEmpty]: parameter %s empty",
                   FT_W(name));
    empty = true;
  }
  FT_LOG_TRACE(kClass, L"[CommandHandlerBase::isParameterEmpty()]: Method end.");
  return empty;
}

void toUtf8Bytes(const QString& text, QByteArray& bytes) {
  bytes = text.toUtf8();
}

void notifyStopScenario() {
  // The host copies what it needs: the event may go as soon as the call returns.
  CustomEvent event(EVT_ORV_STOP_SCEN);
  BEvent<CustomEvent>::notify_async(event, nullptr);
}
