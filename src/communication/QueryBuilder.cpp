#include "communication/QueryBuilder.h"

#include <QDateTime>
#include <algorithm>

#include "DRCommand.h"
#include "DRInputData.h"
#include "DRInputList.h"
#include "communication/ItemKind.h"
#include "platform/FtLog.h"

namespace {

// The lines belong to the diagnostic commands, whose class the log names.
constexpr const wchar_t* kClass = L"CommunicationHandler";

// Whether a command carries an input shows in its query's name and identifier.
QString commandId(const QString& param) {
  return param.isEmpty() ? QStringLiteral("CMD2") : QStringLiteral("CMD1");
}

DRQuery withDataSet(DRQuery query, const DREcuDataSet& dataSet) {
  query.insert_EcuDataSet(dataSet);
  return query;
}

}  // namespace

DRQuery QueryBuilder::signalRead(const QString& ecu, const QStringList& names,
                                 const QStringList& types) {
  const DREcuDataSet dataSet = createSignalDataSet(ecu, names, types);
  return withDataSet(
      createQuery(ecu + "/" + names.join(QString()), QStringLiteral("read"), QStringLiteral("EP")),
      dataSet);
}

DRQuery QueryBuilder::command(const QString& ecu, const QString& commandName,
                              const QString& param) {
  const QString id = commandId(param);
  const DREcuDataSet dataSet = createQueryDataSet(ecu, commandName, param);
  return withDataSet(
      createQuery(ecu + "/" + commandName + id + "/" + param, QStringLiteral("command"), id),
      dataSet);
}

DRQuery QueryBuilder::rawFrame(const QString& ecu, const QString& frame) {
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmsszzz"));
  const DREcuDataSet dataSet = createRawFrameDataSet(ecu, frame);
  return withDataSet(createQuery(ecu + "/RF" + stamp, QStringLiteral("rawframe"), ecu), dataSet);
}

DRQuery QueryBuilder::createQuery(const QString& queryId, const QString& requestType,
                                  const QString& name) {
  DRQuery query = namedElement<DRQuery>(L"<Query/>", name);
  query.set_queryId(toWide(queryId));
  query.set_sleepTimer(ACE_WString(L"0"));
  query.set_requestType(toWide(requestType));
  query.set_refresh(ACE_WString(L"once"));
  query.set_synchronous(ACE_WString(L"true"));
  return query;
}

DREcuDataSet QueryBuilder::createQueryDataSet(const QString& ecu, const QString& commandName,
                                              const QString& param) {
  DREcuDataSet dataSet = namedElement<DREcuDataSet>(L"<EcuDataSet/>", ecu);
  FT_LOG_INFO(kClass, L"[CommunicationHandler::createQueryDataSet]: Command: %s.",
              FT_W(commandName));
  DRCommand commandElement = namedElement<DRCommand>(L"<Command/>", commandName);
  if (!param.isEmpty()) {
    FT_LOG_INFO(kClass, L"[CommunicationHandler::createQueryDataSet]: Command Parameter: %s.",
                FT_W(param));
    DRInputData input = element<DRInputData>(L"<InputData/>");
    input.set_value(toWide(param));
    DRInputList inputs = element<DRInputList>(L"<InputList/>");
    inputs.insert_InputData(input);
    commandElement.set_InputList(inputs);
  }
  dataSet.insert_Command(commandElement);
  return dataSet;
}

DREcuDataSet QueryBuilder::createSignalDataSet(const QString& ecu, const QStringList& names,
                                               const QStringList& types) {
  DREcuDataSet dataSet = namedElement<DREcuDataSet>(L"<EcuDataSet/>", ecu);
  FT_LOG_INFO(kClass, L"[CommunicationHandler::createSignalDataSet]: Total number of data: %d.",
              static_cast<int>(names.size()));
  const qsizetype count = std::min(names.size(), types.size());
  for (qsizetype i = 0; i < count; ++i) {
    FT_LOG_INFO(kClass,
                L"[CommunicationHandler::createSignalDataSet]: Data signal %s from type %s.",
                FT_W(names.at(i)), FT_W(types.at(i)));
    if (const ItemKind* kind = ItemKind::find(types.at(i)))
      kind->addToQuery(*kind, dataSet, names.at(i));
  }
  return dataSet;
}

DREcuDataSet QueryBuilder::createRawFrameDataSet(const QString& ecu, const QString& frame) {
  DREcuDataSet dataSet = namedElement<DREcuDataSet>(L"<EcuDataSet/>", ecu);
  BDomData service = element<BDomData>(L"<Service/>");
  service.setAttributeValue(ACE_WString(L"delay"), ACE_WString(L"0"));
  service.setAttributeValue(ACE_WString(L"mode"), ACE_WString(L"1"));
  BDomData start = element<BDomData>(L"<Start/>");
  BDomData request = element<BDomData>(L"<Request/>");
  request.setAttributeValue(ACE_WString(L"val"), toWide(frame));
  BDomData response = element<BDomData>(L"<Response/>");
  BDomData simple = element<BDomData>(L"<Simple/>");
  simple.setAttributeValue(ACE_WString(L"val"), ACE_WString(L""));
  // Inserting copies the child, so each element is complete before it goes in.
  response.insertElement(simple);
  start.insertElement(request);
  start.insertElement(response);
  service.insertElement(start);
  dataSet.insertElement(service);
  return dataSet;
}
