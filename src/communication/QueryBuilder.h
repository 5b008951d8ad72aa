#pragma once

#include <ace/SString.h>

#include <QString>
#include <QStringList>

#include "DREcuDataSet.h"
#include "DRQuery.h"
#include "platform/WideText.h"

// The query documents of the diagnostic commands: each holds one ECU data
// set, built from the host's element templates and then filled in.
class QueryBuilder {
 public:
  // A signal read of the named items; items of unknown kinds only name the query.
  static DRQuery signalRead(const QString& ecu, const QStringList& names, const QStringList& types);
  // A run of the named command, with param as its one input unless empty.
  static DRQuery command(const QString& ecu, const QString& commandName, const QString& param);
  // One raw request frame, copied unchanged, under a millisecond time stamp.
  static DRQuery rawFrame(const QString& ecu, const QString& frame);

  template <class Element>
  static Element element(const wchar_t* templateXml) {
    Element made;
    made.setXML(ACE_WString(templateXml));
    return made;
  }
  template <class Element>
  static Element namedElement(const wchar_t* templateXml, const QString& name) {
    Element made = element<Element>(templateXml);
    made.set_name(toWide(name));
    return made;
  }

 private:
  static DRQuery createQuery(const QString& queryId, const QString& requestType,
                             const QString& name);
  static DREcuDataSet createQueryDataSet(const QString& ecu, const QString& commandName,
                                         const QString& param);
  static DREcuDataSet createSignalDataSet(const QString& ecu, const QStringList& names,
                                          const QStringList& types);
  static DREcuDataSet createRawFrameDataSet(const QString& ecu, const QString& frame);
};
