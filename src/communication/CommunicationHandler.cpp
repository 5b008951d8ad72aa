#include "communication/CommunicationHandler.h"

#include <QDateTime>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BSet.h"
#include "DRCommand.h"
#include "DRCorrespondance.h"
#include "DRFormat.h"
#include "DRIdentification.h"
#include "DRInputData.h"
#include "DRInputList.h"
#include "DRInterpretation.h"
#include "DRMask.h"
#include "DRParameter.h"
#include "DRState.h"
#include "IBText.h"
#include "ID.h"
#include "IDataManager.h"
#include "IDiagData.h"
#include "IDiagServices.h"
#include "ZrkUtils.h"
#include "dispatch/ResponseConstants.h"
#include "dispatch/URLCommandFactory.h"
#include "platform/FtLog.h"
#include "platform/Limits.h"
#include "platform/WideText.h"

namespace {

constexpr const wchar_t* kClass = L"CommunicationHandler";

const QString CMD_IS_APPLICABLE = QStringLiteral("isApplicable");
const QString CMD_READ_SIGNAL = QStringLiteral("readSignal");
const QString CMD_SEND_QUERY = QStringLiteral("sendQuery");
const QString CMD_SEND_RAW_QUERY = QStringLiteral("sendRawQuery");

const QString PARAM_NAMES = QStringLiteral("names");
const QString PARAM_TYPES = QStringLiteral("types");
const QString PARAM_QUERY = QStringLiteral("query");
const QString PARAM_PARAM = QStringLiteral("param");

const QString KIND_STATE = QStringLiteral("State");
const QString KIND_PARAMETER = QStringLiteral("Parameter");
const QString KIND_IDENTIFICATION = QStringLiteral("Identification");

const QString UNKNOWN = QStringLiteral("UNKNOWN");

constexpr const wchar_t* KEY_COMMANDS = L"data:/Auto/UCEs/%s/Commands";
constexpr const wchar_t* KEY_RAW_FRAMES = L"data:/Auto/UCEs/%s/RawFrames";
constexpr const wchar_t* KEY_STATES = L"data:/Auto/UCEs/%s/States";
constexpr const wchar_t* KEY_PARAMETERS = L"data:/Auto/UCEs/%s/Parameters";
constexpr const wchar_t* KEY_IDENTIFICATIONS = L"data:/Auto/UCEs/%s/Identifications";

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

// Rule: printf's fixed notation; a negative count means printf's default of 6.
QString formatFixed(double value, int decimals) {
  // Sign, the 309 integer digits of the largest double, the point and the decimals.
  char text[1 + 309 + 1 + limits::kMaxFormatDecimals + 1];
  const int length = std::snprintf(text, sizeof text, "%.*f",
                                   std::min(decimals, limits::kMaxFormatDecimals), value);
  if (length < 0) return QString();
  return QString::fromLatin1(text, std::min<qsizetype>(length, sizeof text - 1));
}

// Rule: a decimal count read the way atoi reads (blanks, sign, leading digits; none gives 0).
int decimalsFromFormat(const ACE_WString& content) {
  const std::string narrow = fromWide(content).toStdString();
  const long count = std::strtol(narrow.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(count, INT_MIN, INT_MAX));
}

// A model element made from its template and named.
template <class Element>
Element namedElement(const wchar_t* templateXml, const QString& name) {
  Element element;
  element.setXML(ACE_WString(templateXml));
  element.set_name(toWide(name));
  return element;
}

// Submits the query; without diagnostic services nothing is sent and the
// caller reads whatever the data manager already holds.
int submitQuery(const DRQuery& query) {
  IDiagServices* services = factory()->getDiagServices();
  return services != nullptr ? services->executeQuery(query) : 0;
}

// Whether a command carries an input shows in its query's name and identifier.
QString commandId(const QString& param) {
  return param.isEmpty() ? QStringLiteral("CMD2") : QStringLiteral("CMD1");
}

// "1" when the item's mask holds exactly 1 or it has none; "0" when it is unknown.
template <class Description>
QString applicability(int lookupStatus, const Description& description) {
  if (lookupStatus != 0) return QStringLiteral("0");
  if (!description.has_Mask()) return QStringLiteral("1");
  DRMask mask;
  description.get_Mask(mask);
  ACE_WString expression;
  mask.get_value(expression);
  return factory()->evaluateMask(expression) == 1 ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace

bool CommunicationHandler::checkParameters() {
  MethodTrace trace(L"checkParameters()");
  if (command == CMD_IS_APPLICABLE || command == CMD_READ_SIGNAL) {
    const bool namesEmpty = isParameterEmpty(PARAM_NAMES);
    const bool typesEmpty = isParameterEmpty(PARAM_TYPES);
    if (namesEmpty || typesEmpty) return false;
    return splitList(parameters.value(PARAM_NAMES)).size() ==
           splitList(parameters.value(PARAM_TYPES)).size();
  }
  if (command == CMD_SEND_RAW_QUERY || command == CMD_SEND_QUERY)
    return !isParameterEmpty(PARAM_QUERY);
  return false;
}

bool CommunicationHandler::processRequest(QByteArray& out) {
  MethodTrace trace(L"processRequest()");
  const QString ecu = factory()->getEcuName();
  QString answer;
  if (command == CMD_IS_APPLICABLE || command == CMD_READ_SIGNAL) {
    const QStringList names = splitList(parameters.value(PARAM_NAMES));
    const QStringList types = splitList(parameters.value(PARAM_TYPES));
    answer = QString::fromLatin1(HTTP_200_HTML_HEADER) + (command == CMD_IS_APPLICABLE
                                                              ? isApplicable(ecu, names, types)
                                                              : readSignal(ecu, names, types));
  } else if (command == CMD_SEND_QUERY) {
    const int status = sendQuery(ecu, parameters.value(PARAM_QUERY), parameters.value(PARAM_PARAM));
    answer = QString::fromLatin1(HTTP_200_HTML_HEADER) +
             (status < 0 ? getErrResponseForNegStatus(status) : QString::number(status));
  } else if (command == CMD_SEND_RAW_QUERY) {
    answer = QString::fromLatin1(HTTP_200_HTML_HEADER) +
             sendRawQuery(ecu, parameters.value(PARAM_QUERY));
  } else {
    return false;
  }
  toUtf8Bytes(answer, out);
  return true;
}

QString CommunicationHandler::getErrResponseForNegStatus(int status) {
  switch (status) {
    case -992:
      return QStringLiteral("TIMEOUT");
    case -979:
    case -13:
    case -9:
      return QStringLiteral("INVALID QUERY");
    case -14:
      return QStringLiteral("VCI DISCONNECTED");
    case 0:
      FT_LOG_WARNING(kClass,
                     L"[getErrResponseForNegStatus] method should be used for negative "
                     L"DiagServices responses.");
      return QString();
    default:
      return UNKNOWN;
  }
}

DRQuery CommunicationHandler::createQuery(QString queryId, QString requestType, QString name) {
  DRQuery query;
  query.setXML(ACE_WString(L"<Query/>"));
  query.set_name(toWide(name));
  query.set_queryId(toWide(queryId));
  query.set_sleepTimer(ACE_WString(L"0"));
  query.set_requestType(toWide(requestType));
  query.set_refresh(ACE_WString(L"once"));
  query.set_synchronous(ACE_WString(L"true"));
  return query;
}

DREcuDataSet CommunicationHandler::createQueryDataSet(QString ecu, QString command, QString param) {
  DREcuDataSet dataSet = namedElement<DREcuDataSet>(L"<EcuDataSet/>", ecu);
  FT_LOG_INFO(kClass, L"[CommunicationHandler::createQueryDataSet]: Command: %s.", FT_W(command));
  DRCommand commandElement = namedElement<DRCommand>(L"<Command/>", command);
  if (!param.isEmpty()) {
    FT_LOG_INFO(kClass, L"[CommunicationHandler::createQueryDataSet]: Command Parameter: %s.",
                FT_W(param));
    DRInputData input;
    input.setXML(ACE_WString(L"<InputData/>"));
    input.set_value(toWide(param));
    DRInputList inputs;
    inputs.setXML(ACE_WString(L"<InputList/>"));
    inputs.insert_InputData(input);
    commandElement.set_InputList(inputs);
  }
  dataSet.insert_Command(commandElement);
  return dataSet;
}

DREcuDataSet CommunicationHandler::createSignalDataSet(QString ecu, QStringList names,
                                                       QStringList types) {
  DREcuDataSet dataSet = namedElement<DREcuDataSet>(L"<EcuDataSet/>", ecu);
  FT_LOG_INFO(kClass, L"[CommunicationHandler::createSignalDataSet]: Total number of data: %d.",
              static_cast<int>(names.size()));
  const qsizetype count = std::min(names.size(), types.size());
  for (qsizetype i = 0; i < count; ++i) {
    const QString& name = names.at(i);
    const QString& kind = types.at(i);
    FT_LOG_INFO(kClass,
                L"[CommunicationHandler::createSignalDataSet]: Data signal %s from type %s.",
                FT_W(name), FT_W(kind));
    if (kind == KIND_STATE) {
      dataSet.insert_State(namedElement<DRState>(L"<State/>", name));
    } else if (kind == KIND_PARAMETER) {
      dataSet.insert_Parameter(namedElement<DRParameter>(L"<Parameter/>", name));
    } else if (kind == KIND_IDENTIFICATION) {
      dataSet.insert_Identification(namedElement<DRIdentification>(L"<Identification/>", name));
    }
  }
  return dataSet;
}

DREcuDataSet CommunicationHandler::createRawFrameDataSet(QString ecu, QString frame) {
  DREcuDataSet dataSet = namedElement<DREcuDataSet>(L"<EcuDataSet/>", ecu);
  BDomData service;
  service.setXML(ACE_WString(L"<Service/>"));
  service.setAttributeValue(ACE_WString(L"delay"), ACE_WString(L"0"));
  service.setAttributeValue(ACE_WString(L"mode"), ACE_WString(L"1"));
  BDomData start;
  start.setXML(ACE_WString(L"<Start/>"));
  BDomData request;
  request.setXML(ACE_WString(L"<Request/>"));
  request.setAttributeValue(ACE_WString(L"val"), toWide(frame));
  BDomData response;
  response.setXML(ACE_WString(L"<Response/>"));
  BDomData simple;
  simple.setXML(ACE_WString(L"<Simple/>"));
  simple.setAttributeValue(ACE_WString(L"val"), ACE_WString(L""));
  // Inserting copies the child, so each element is complete before it goes in.
  response.insertElement(simple);
  start.insertElement(request);
  start.insertElement(response);
  service.insertElement(start);
  dataSet.insertElement(service);
  return dataSet;
}

int CommunicationHandler::sendQuery(QString ecu, QString query, QString param) {
  MethodTrace trace(L"sendQuery()");
  int value = NO_VALUE;
  const QString id = commandId(param);
  DREcuDataSet dataSet = createQueryDataSet(ecu, query, param);
  DRQuery request =
      createQuery(ecu + "/" + query + id + "/" + param, QStringLiteral("command"), id);
  request.insert_EcuDataSet(dataSet);

  if (const int status = submitQuery(request); status != 0) {
    FT_LOG_WARNING(kClass,
                   L"[CommunicationHandler::sendQuery]: Query has not been sent, error status "
                   L"was returned from Diag Services: %d",
                   status);
    return status;
  }

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
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmsszzz"));
  DREcuDataSet dataSet = createRawFrameDataSet(ecu, query);
  DRQuery request = createQuery(ecu + "/RF" + stamp, QStringLiteral("rawframe"), ecu);
  request.insert_EcuDataSet(dataSet);

  if (const int status = submitQuery(request); status != 0) {
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
  IDiagServices* services = factory()->getDiagServices();
  if (services == nullptr) {
    FT_LOG_ERROR(kClass, L"[readSignal()]: Error obtaining Diag services");
    return UNKNOWN;
  }
  DREcuDataSet dataSet = createSignalDataSet(ecu, names, types);
  DRQuery request =
      createQuery(ecu + "/" + names.join(QString()), QStringLiteral("read"), QStringLiteral("EP"));
  request.insert_EcuDataSet(dataSet);
  const int status = services->executeQuery(request);
  if (status != 0) {
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
  IDataManager* dataManager = factory()->getDataManager();
  if (dataManager == nullptr) {
    FT_LOG_ERROR(kClass, L"[signalResponseFromDM()]: Error obtaining Data Manager");
    return UNKNOWN;
  }

  // Only the kinds asked for are read: a missing key of another kind is no failure.
  BSet states(10);
  BSet parameters(10);
  BSet identifications(10);
  const struct {
    const QString& kind;
    const wchar_t* key;
    BSet& set;
  } reads[] = {{KIND_STATE, KEY_STATES, states},
               {KIND_PARAMETER, KEY_PARAMETERS, parameters},
               {KIND_IDENTIFICATION, KEY_IDENTIFICATIONS, identifications}};
  for (const auto& read : reads) {
    if (types.contains(read.kind) && readEcuSet(*dataManager, read.key, ecu, read.set) != 0) {
      FT_LOG_WARNING(kClass,
                     L"[signalResponseFromDM]: There are no states, parameters or "
                     L"identification to be got from DM");
      return UNKNOWN;
    }
  }

  QString answer;
  const qsizetype count = std::min(names.size(), types.size());
  for (qsizetype i = 0; i < count; ++i) {
    const QString& name = names.at(i);
    const QString& kind = types.at(i);
    if (i > 0) answer += QChar(LIST_SEPARATOR);
    if (kind == KIND_STATE) {
      long value = 0;
      if (states.getInt(toWide(name), value) != 0) {
        FT_LOG_WARNING(kClass, L"[signalResponseFromDM]: Error getting value for State: %s",
                       FT_W(name));
        return UNKNOWN;
      }
      const QString raw = QString::number(value);
      answer += raw + QChar(LIST_SEPARATOR) + getFormatedState(ecu, name, raw);
    } else if (kind == KIND_PARAMETER) {
      double value = 0.0;
      if (parameters.getFloat(toWide(name), value) != 0) {
        FT_LOG_WARNING(kClass, L"[signalResponseFromDM]: Error getting value for Parameter: %s",
                       FT_W(name));
        return UNKNOWN;
      }
      answer += formatFixed(value, 6) + QChar(LIST_SEPARATOR) + getFormatedParam(ecu, name, value);
    } else if (kind == KIND_IDENTIFICATION) {
      ACE_WString value;
      if (identifications.getString(toWide(name), value) != 0) {
        FT_LOG_WARNING(kClass,
                       L"[signalResponseFromDM]: Error getting value for Identification: %s",
                       FT_W(name));
        return UNKNOWN;
      }
      const QString text = fromWide(value);
      answer += text + QChar(LIST_SEPARATOR) + text;
    }
  }
  return answer;
}

QString CommunicationHandler::getFormatedState(QString ecu, QString name, QString value) {
  QString result = value;
  URLCommandFactory* commands = factory();
  IDiagData* diagData = commands->getDiagData();
  if (diagData == nullptr) {
    FT_LOG_ERROR(kClass, L"[getFormatedState()]: Error obtaining PDiagData");
    return result;
  }
  DRState state;
  state.setXML(ACE_WString(L"<State/>"));
  diagData->getState(toWide(ecu), toWide(name), state);
  if (!state.has_Interpretation()) return result;
  DRInterpretation interpretation;
  state.get_Interpretation(interpretation);
  if (!interpretation.has_Correspondance()) return result;
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
    if (IBText* texts = commands->getTextService()) {
      ACE_WString text;
      result = fromWide(texts->lookupText(text, code, defaultText));
    } else {
      result = fromWide(defaultText);
    }
    break;
  }
  return result;
}

QString CommunicationHandler::getFormatedParam(QString ecu, QString name, double value) {
  QString result = formatFixed(value, 0);
  IDiagData* diagData = factory()->getDiagData();
  if (diagData == nullptr) {
    FT_LOG_ERROR(kClass, L"[getFormatedParam()]: Error obtaining services");
    return result;
  }
  DRParameter parameter;
  parameter.setXML(ACE_WString(L"<Parameter/>"));
  diagData->getParameter(toWide(ecu), toWide(name), parameter);
  if (parameter.has_Format()) {
    DRFormat format;
    parameter.get_Format(format);
    ACE_WString content;
    format.getContent(content);
    result = formatFixed(value, decimalsFromFormat(content));
  }
  return result;
}

QString CommunicationHandler::isApplicable(QString ecu, QStringList names, QStringList types) {
  MethodTrace trace(L"isApplicable()");
  IDiagData* diagData = factory()->getDiagData();
  if (diagData == nullptr) {
    FT_LOG_ERROR(kClass, L"[isApplicable()]: Error obtaining PDiagData");
    return UNKNOWN;
  }
  FT_LOG_INFO(kClass, L"[CommunicationHandler::isApplicable]:Total number of parameters: %d.",
              static_cast<int>(names.size()));
  const ACE_WString wideEcu = toWide(ecu);
  QString answer;
  const qsizetype count = std::min(names.size(), types.size());
  for (qsizetype i = 0; i < count; ++i) {
    const QString& name = names.at(i);
    const QString& kind = types.at(i);
    FT_LOG_INFO(kClass, L"[CommunicationHandler::isApplicable]:Data signal %s from type %s.",
                FT_W(name), FT_W(kind));
    if (i > 0) answer += QChar(LIST_SEPARATOR);
    if (kind == KIND_STATE) {
      DRState state;
      state.setXML(ACE_WString(L"<State/>"));
      answer += applicability(diagData->getState(wideEcu, toWide(name), state), state);
    } else if (kind == KIND_PARAMETER) {
      DRParameter parameter;
      parameter.setXML(ACE_WString(L"<Parameter/>"));
      answer += applicability(diagData->getParameter(wideEcu, toWide(name), parameter), parameter);
    } else if (kind == KIND_IDENTIFICATION) {
      DRIdentification identification;
      identification.setXML(ACE_WString(L"<Identification/>"));
      answer += applicability(diagData->getIdentification(wideEcu, toWide(name), identification),
                              identification);
    }
  }
  return answer;
}
