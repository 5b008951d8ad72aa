#include "communication/ItemKind.h"

#include "BSet.h"
#include "DREcuDataSet.h"
#include "IDiagData.h"
#include "communication/CommunicationHandler.h"
#include "communication/QueryBuilder.h"
#include "dispatch/ResponseConstants.h"
#include "platform/WideText.h"

namespace {

template <class Element, bool (DREcuDataSet::*insert)(const Element&)>
void insertNamed(const ItemKind& kind, DREcuDataSet& dataSet, const QString& name) {
  (dataSet.*insert)(QueryBuilder::namedElement<Element>(kind.element, name));
}

template <class Element, int (IDiagData::*lookUp)(const ACE_WString&, const ACE_WString&, Element&)>
int lookUpMask(const ItemKind& kind, IDiagData& diagData, const ACE_WString& ecu,
               const QString& name, std::optional<ACE_WString>& mask) {
  Element description = QueryBuilder::element<Element>(kind.element);
  const int status = (diagData.*lookUp)(ecu, toWide(name), description);
  if (status == 0 && description.has_Mask()) {
    DRMask element;
    description.get_Mask(element);
    element.get_value(mask.emplace());
  }
  return status;
}

bool appendState(CommunicationHandler& handler, const BSet& values, const QString& ecu,
                 const QString& name, QString& answer) {
  long value = 0;
  if (values.getInt(toWide(name), value) != 0) return false;
  const QString raw = QString::number(value);
  answer += raw + QChar(LIST_SEPARATOR) + handler.getFormatedState(ecu, name, raw);
  return true;
}

bool appendParameter(CommunicationHandler& handler, const BSet& values, const QString& ecu,
                     const QString& name, QString& answer) {
  double value = 0.0;
  if (values.getFloat(toWide(name), value) != 0) return false;
  answer += CommunicationHandler::formatFixed(value, 6) + QChar(LIST_SEPARATOR) +
            handler.getFormatedParam(ecu, name, value);
  return true;
}

bool appendIdentification(CommunicationHandler&, const BSet& values, const QString&,
                          const QString& name, QString& answer) {
  ACE_WString value;
  if (values.getString(toWide(name), value) != 0) return false;
  const QString text = fromWide(value);
  answer += text + QChar(LIST_SEPARATOR) + text;
  return true;
}

}  // namespace

const ItemKind ItemKind::kinds[3] = {
    {"State", L"data:/Auto/UCEs/%s/States", L"<State/>",
     &insertNamed<DRState, &DREcuDataSet::insert_State>, &lookUpMask<DRState, &IDiagData::getState>,
     &appendState},
    {"Parameter", L"data:/Auto/UCEs/%s/Parameters", L"<Parameter/>",
     &insertNamed<DRParameter, &DREcuDataSet::insert_Parameter>,
     &lookUpMask<DRParameter, &IDiagData::getParameter>, &appendParameter},
    {"Identification", L"data:/Auto/UCEs/%s/Identifications", L"<Identification/>",
     &insertNamed<DRIdentification, &DREcuDataSet::insert_Identification>,
     &lookUpMask<DRIdentification, &IDiagData::getIdentification>, &appendIdentification},
};

const ItemKind* ItemKind::find(const QString& word) {
  for (const ItemKind& kind : kinds)
    if (word == QLatin1String(kind.word)) return &kind;
  return nullptr;
}
