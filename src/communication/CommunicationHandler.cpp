#include "communication/CommunicationHandler.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "BSet.h"
#include "DRCorrespondance.h"
#include "DRFormat.h"
#include "DRInterpretation.h"
#include "DRParameter.h"
#include "DRState.h"
#include "IBText.h"
#include "ID.h"
#include "IDataManager.h"
#include "IDiagData.h"
#include "IDiagServices.h"
#include "ZrkUtils.h"
#include "communication/DiagStatus.h"
#include "communication/ItemKind.h"
#include "communication/QueryBuilder.h"
#include "dispatch/ResponseConstants.h"
#include "dispatch/URLCommandFactory.h"
#include "platform/FtLog.h"
#include "platform/Limits.h"
#include "platform/WideText.h"

namespace {

constexpr const wchar_t* kClass = L"CommunicationHandler";

const QString PARAM_NAMES = QStringLiteral("names");
const QString PARAM_TYPES = QStringLiteral("types");
const QString PARAM_QUERY = QStringLiteral("query");
const QString PARAM_PARAM = QStringLiteral("param");

const QString UNKNOWN = QStringLiteral("UNKNOWN");

constexpr const wchar_t* KEY_COMMANDS = L"data:/Auto/UCEs/%s/Commands";
constexpr const wchar_t* KEY_RAW_FRAMES = L"data:/Auto/UCEs/%s/RawFrames";

// Traces entry and exit of an operation under its bracketed name.
class MethodTrace {
 public:
  explicit MethodTrace(const wchar_t* method) : method_(method) {
    FT_LOG_TRACE(kClass, L"[CommunicationHandler::%s]: Method started.", method_);
  }
  ~MethodTrace() { FT_LOG_TRACE(kClass, L"[CommunicationHandler::%s]: Method end.", method_); }
  MethodTrace(const MethodTrace&) = delete;
  MethodTrace& operator=(const MethodTrace&) = delete;

 private:
  const wchar_t* method_;
};

QStringList splitList(const QString& text) {
  return text.split(QChar(LIST_SEPARATOR), Qt::SkipEmptyParts);
}

URLCommandFactory* factory() {
  return URLCommandFactory::getInstance();
}

// Reads the whole set stored under the ECU's key; 0 on success, as the data manager answers.
int readEcuSet(IDataManager& dataManager, const wchar_t* keyFormat, const QString& ecu, BSet& set) {
  const ACE_WString wideEcu = toWide(ecu);
  return dataManager.readSet(ID(ZrkUtils::wideSprintf(keyFormat, wideEcu.c_str())), set);
}

// Rule: a decimal count read the way atoi reads (blanks, sign, leading digits; none gives 0).
int decimalsFromFormat(const ACE_WString& content) {
  const std::string narrow = fromWide(content).toStdString();
  const long count = std::strtol(narrow.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(count, INT_MIN, INT_MAX));
}

// Submits the query; without diagnostic services nothing is sent and the
// caller reads whatever the data manager already holds.
int submitQuery(const DRQuery& query) {
  IDiagServices* services = factory()->getDiagServices();
  return services != nullptr ? services->executeQuery(query) : diag_status::kExecuted;
}

// The host service, or null with the error that names what lacks it.
template <class Service>
Service* required(Service* service, const wchar_t* missingMessage) {
  if (service == nullptr) FT_LOG_ERROR(kClass, missingMessage);
  return service;
}

// The item's description as the diagnostic data give it; none, logged, without them.
template <class Element>
std::optional<Element> description(int (IDiagData::*lookUp)(const ACE_WString&, const ACE_WString&,
                                                            Element&),
                                   const ItemKind& kind, const QString& ecu, const QString& name,
                                   const wchar_t* missingMessage) {
  IDiagData* diagData = required(factory()->getDiagData(), missingMessage);
  if (diagData == nullptr) return std::nullopt;
  Element element = QueryBuilder::element<Element>(kind.element);
  (diagData->*lookUp)(toWide(ecu), toWide(name), element);
  return element;
}

bool isListCommand(const QString& command) {
  return command == QLatin1String(CMD_IS_APPLICABLE) || command == QLatin1String(CMD_READ_SIGNAL);
}

}  // namespace

bool CommunicationHandler::checkParameters() {
  MethodTrace trace(L"checkParameters()");
  if (!CommandHandlerBase::checkParameters()) return false;
  if (!isListCommand(command_)) return true;
  return splitList(parameters_.value(PARAM_NAMES)).size() ==
         splitList(parameters_.value(PARAM_TYPES)).size();
}

Reply CommunicationHandler::answerApplicable() {
  MethodTrace trace(L"processRequest()");
  return Reply::html(isApplicable(factory()->getEcuName(),
                                  splitList(parameters_.value(PARAM_NAMES)),
                                  splitList(parameters_.value(PARAM_TYPES)))
                         .toUtf8());
}

Reply CommunicationHandler::answerSignals() {
  MethodTrace trace(L"processRequest()");
  return Reply::html(readSignal(factory()->getEcuName(), splitList(parameters_.value(PARAM_NAMES)),
                                splitList(parameters_.value(PARAM_TYPES)))
                         .toUtf8());
}

Reply CommunicationHandler::answerQuery() {
  MethodTrace trace(L"processRequest()");
  const int status = sendQuery(factory()->getEcuName(), parameters_.value(PARAM_QUERY),
                               parameters_.value(PARAM_PARAM));
  return Reply::html(
      (status < 0 ? getErrResponseForNegStatus(status) : QString::number(status)).toUtf8());
}

Reply CommunicationHandler::answerRawQuery() {
  MethodTrace trace(L"processRequest()");
  return Reply::html(
      sendRawQuery(factory()->getEcuName(), parameters_.value(PARAM_QUERY)).toUtf8());
}

QString CommunicationHandler::getErrResponseForNegStatus(int status) {
  using namespace diag_status;
  if (status == kTimeout) return QStringLiteral("TIMEOUT");
  if (std::find(std::begin(kInvalidQuery), std::end(kInvalidQuery), status) !=
      std::end(kInvalidQuery))
    return QStringLiteral("INVALID QUERY");
  if (status == kVciDisconnected) return QStringLiteral("VCI DISCONNECTED");
  if (status == kExecuted) {
    FT_LOG_WARNING(kClass,
                   L"[getErrResponseForNegStatus] method should be used for negative "
                   L"DiagServices responses.");
    return QString();
  }
  return UNKNOWN;
}

QString CommunicationHandler::formatFixed(double value, int decimals) {
  // Sign, the 309 integer digits of the largest double, the point and the decimals.
  char text[1 + 309 + 1 + limits::kMaxFormatDecimals + 1];
  const int length = std::snprintf(text, sizeof text, "%.*f",
                                   std::min(decimals, limits::kMaxFormatDecimals), value);
  if (length < 0) return QString();
  return QString::fromLatin1(text, std::min<qsizetype>(length, sizeof text - 1));
}

int CommunicationHandler::sendQuery(QString ecu, QString query, QString param) {
  MethodTrace trace(L"sendQuery()");
  if (const int status = submitQuery(QueryBuilder::command(ecu, query, param));
      status != diag_status::kExecuted) {
    FT_LOG_WARNING(kClass,
                   L"[CommunicationHandler::sendQuery]: Query has not been sent, error status "
                   L"was returned from Diag Services: %d",
                   status);
    return status;
  }

  int value = diag_status::kNoValue;
  BSet results(10);
  IDataManager* dataManager = factory()->getDataManager();
  if (dataManager != nullptr && readEcuSet(*dataManager, KEY_COMMANDS, ecu, results) == 0) {
    long status = 0;
    if (results.getInt(toWide(query), status) == 0)
      value = static_cast<int>(status);
    else
      FT_LOG_WARNING(kClass, L"[sendQuery]: Error getting value for Command: %s", FT_W(query));
  } else {
    FT_LOG_WARNING(kClass,
                   L"[CommunicationHandler::sendQuery]: Cannot get the value for the command "
                   L"status from the DataManager");
  }
  return value;
}

QString CommunicationHandler::sendRawQuery(QString ecu, QString query) {
  MethodTrace trace(L"sendRawQuery()");
  if (const int status = submitQuery(QueryBuilder::rawFrame(ecu, query));
      status != diag_status::kExecuted) {
    FT_LOG_WARNING(kClass,
                   L"[sendRawQuery]: Query has not been sent, error status return from Diag "
                   L"Services: %d",
                   status);
    return getErrResponseForNegStatus(status);
  }

  BSet results(10);
  IDataManager* dataManager = factory()->getDataManager();
  if (dataManager == nullptr || readEcuSet(*dataManager, KEY_RAW_FRAMES, ecu, results) != 0) {
    FT_LOG_WARNING(kClass, L"[sendRawQuery]: Cannot get the value from the DataManager");
    return UNKNOWN;
  }
  BByteArray response;
  if (results.getByteArray(toWide(query), response) != 0) {
    FT_LOG_WARNING(kClass, L"[sendRawQuery]: Error getting value for Raw Query: %s", FT_W(query));
    return UNKNOWN;
  }
  ACE_WString text;
  response.getString(text);
  return fromWide(text);
}

QString CommunicationHandler::readSignal(QString ecu, QStringList names, QStringList types) {
  MethodTrace trace(L"readSignal()");
  IDiagServices* services =
      required(factory()->getDiagServices(), L"[readSignal()]: Error obtaining Diag services");
  if (services == nullptr) return UNKNOWN;
  const int status = services->executeQuery(QueryBuilder::signalRead(ecu, names, types));
  if (status != diag_status::kExecuted) {
    FT_LOG_WARNING(kClass,
                   L"[readSignal]: Query has not been sent, error status return from Diag "
                   L"Services: %d",
                   status);
    return getErrResponseForNegStatus(status);
  }
  return signalResponseFromDM(ecu, names, types);
}

QString CommunicationHandler::signalResponseFromDM(QString ecu, QStringList names,
                                                   QStringList types) {
  MethodTrace trace(L"signalResponseFromDM()");
  IDataManager* dataManager = required(factory()->getDataManager(),
                                       L"[signalResponseFromDM()]: Error obtaining Data Manager");
  if (dataManager == nullptr) return UNKNOWN;

  // Only the kinds asked for are read: a missing key of another kind is no failure.
  std::vector<BSet> values(std::size(ItemKind::kinds), BSet(10));
  for (const ItemKind& kind : ItemKind::kinds) {
    if (types.contains(QLatin1String(kind.word)) &&
        readEcuSet(*dataManager, kind.valuesKey, ecu,
                   values[static_cast<size_t>(&kind - ItemKind::kinds)]) != 0) {
      FT_LOG_WARNING(kClass,
                     L"[signalResponseFromDM]: There are no states, parameters or "
                     L"identification to be got from DM");
      return UNKNOWN;
    }
  }

  QString answer;
  const qsizetype count = std::min(names.size(), types.size());
  for (qsizetype i = 0; i < count; ++i) {
    if (i > 0) answer += QChar(LIST_SEPARATOR);
    const ItemKind* kind = ItemKind::find(types.at(i));
    if (kind == nullptr) continue;
    if (!kind->appendFields(*this, values[static_cast<size_t>(kind - ItemKind::kinds)], ecu,
                            names.at(i), answer)) {
      FT_LOG_WARNING(kClass, L"[signalResponseFromDM]: Error getting value for %S: %s", kind->word,
                     FT_W(names.at(i)));
      return UNKNOWN;
    }
  }
  return answer;
}

QString CommunicationHandler::getFormatedState(QString ecu, QString name, QString value) {
  const std::optional<DRState> state =
      description(&IDiagData::getState, ItemKind::state(), ecu, name,
                  L"[getFormatedState()]: Error obtaining PDiagData");
  if (!state || !state->has_Interpretation()) return value;
  DRInterpretation interpretation;
  state->get_Interpretation(interpretation);
  if (!interpretation.has_Correspondance()) return value;
  ACE_Array<DRCorrespondance> entries;
  interpretation.get_Correspondance(entries);
  const ACE_WString wideValue = toWide(value);
  for (size_t i = 0; i < entries.size(); ++i) {
    ACE_WString entryValue;
    entries[i].get_value(entryValue);
    if (entryValue != wideValue) continue;
    ACE_WString code;
    ACE_WString defaultText;
    entries[i].get_codetext(code);
    entries[i].get_defaultText(defaultText);
    // Without a text service the page still gets a readable text.
    IBText* texts = factory()->getTextService();
    ACE_WString text;
    return fromWide(texts != nullptr ? texts->lookupText(text, code, defaultText) : defaultText);
  }
  return value;
}

QString CommunicationHandler::getFormatedParam(QString ecu, QString name, double value) {
  const std::optional<DRParameter> parameter =
      description(&IDiagData::getParameter, ItemKind::parameter(), ecu, name,
                  L"[getFormatedParam()]: Error obtaining services");
  if (!parameter || !parameter->has_Format()) return formatFixed(value, 0);
  DRFormat format;
  parameter->get_Format(format);
  ACE_WString content;
  format.getContent(content);
  return formatFixed(value, decimalsFromFormat(content));
}

QString CommunicationHandler::isApplicable(QString ecu, QStringList names, QStringList types) {
  MethodTrace trace(L"isApplicable()");
  IDiagData* diagData =
      required(factory()->getDiagData(), L"[isApplicable()]: Error obtaining PDiagData");
  if (diagData == nullptr) return UNKNOWN;
  FT_LOG_INFO(kClass, L"[CommunicationHandler::isApplicable]:Total number of parameters: %d.",
              static_cast<int>(names.size()));
  const ACE_WString wideEcu = toWide(ecu);
  QString answer;
  const qsizetype count = std::min(names.size(), types.size());
  for (qsizetype i = 0; i < count; ++i) {
    const QString& name = names.at(i);
    const QString& kindWord = types.at(i);
    FT_LOG_INFO(kClass, L"[CommunicationHandler::isApplicable]:Data signal %s from type %s.",
                FT_W(name), FT_W(kindWord));
    if (i > 0) answer += QChar(LIST_SEPARATOR);
    const ItemKind* kind = ItemKind::find(kindWord);
    if (kind == nullptr) continue;
    // Applies when its mask gives exactly 1 or it has none; an unknown item does not.
    std::optional<ACE_WString> mask;
    const bool applies = kind->describe(*kind, *diagData, wideEcu, name, mask) == 0 &&
                         (!mask || factory()->evaluateMask(*mask, name) == 1);
    answer += applies ? QStringLiteral("1") : QStringLiteral("0");
  }
  return answer;
}
