// Host components the diagnostic command tests plug into the command factory.
#pragma once

#include <QString>
#include <QXmlStreamReader>
#include <vector>

#include "BDomData.h"
#include "IDiagServices.h"
#include "dispatch/URLCommandFactory.h"
#include "support/factory_test_access.h"

namespace comm_test {

inline QString fromWide(const ACE_WString& text) {
  return QString::fromWCharArray(text.c_str(), static_cast<qsizetype>(text.length()));
}

// The element tree as Name(attr=value,...)[child,...], attributes in document
// order, text ignored: independent of how the host serialises XML.
inline QString shape(const BDomData& element) {
  ACE_WString xml;
  element.getXML(xml);
  QXmlStreamReader reader(fromWide(xml));
  QString out;
  std::vector<bool> hasChildren;
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isStartElement()) {
      if (!hasChildren.empty()) {
        out += hasChildren.back() ? "," : "[";
        hasChildren.back() = true;
      }
      out += reader.name().toString();
      QStringList attributes;
      for (const QXmlStreamAttribute& a : reader.attributes())
        attributes << a.name().toString() + "=" + a.value().toString();
      if (!attributes.isEmpty()) out += "(" + attributes.join(",") + ")";
      hasChildren.push_back(false);
    } else if (reader.isEndElement()) {
      if (hasChildren.back()) out += "]";
      hasChildren.pop_back();
    }
  }
  return reader.hasError() ? "XML error: " + reader.errorString() : out;
}

// Records each query's shape and answers a fixed status.
class RecordingDiagServices : public IDiagServices {
 public:
  int executeQuery(const DRQuery& query) override {
    queries.push_back(shape(query));
    return status;
  }
  const ID& getID() const override { return id_; }
  int status = 0;
  std::vector<QString> queries;

 private:
  ID id_{"diagServices:DiagServices?EcuDiag#ABC"};
};

// Clears the factory's host components before and after each test.
struct FactoryComponents : FactoryTestAccess {
  FactoryComponents() { clearServices(); }
  ~FactoryComponents() { clearServices(); }
};

}  // namespace comm_test
