// Helpers of the diagnostic command tests: the shape of a host XML element and
// host components that the tests plug into the command factory.
#pragma once

#include <QString>
#include <QXmlStreamReader>
#include <map>
#include <string>
#include <vector>

#include "BDomData.h"
#include "IBText.h"
#include "IDiagServices.h"
#include "StandinLog.h"
#include "dispatch/URLCommandFactory.h"

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
  if (reader.hasError()) return "XML error: " + reader.errorString();
  return out;
}

// Diagnostic services that record each query's shape and answer a fixed status.
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

class MapTextService : public IBText {
 public:
  ACE_WString& lookupText(ACE_WString& out, const ACE_WString& code,
                          const ACE_WString& defaultText) override {
    auto found = texts.find(fromWide(code).toStdString());
    out = found == texts.end()
              ? defaultText
              : ACE_WString(QString::fromStdString(found->second).toStdWString().c_str());
    return out;
  }
  const ID& getID() const override { return id_; }

  std::map<std::string, std::string> texts;

 private:
  ID id_{"makora:BText?BText"};
};

// Records what the handler logs at or above a level while it lives.
class HandlerLog {
 public:
  explicit HandlerLog(MakoraLog_Static::Level level) : previous_(StandinLog::level()) {
    StandinLog::setLevel(level);
    StandinLog::startCapture();
  }
  ~HandlerLog() {
    StandinLog::stopCapture();
    StandinLog::setLevel(previous_);
  }
  HandlerLog(const HandlerLog&) = delete;
  HandlerLog& operator=(const HandlerLog&) = delete;

  // The handler's records since the last call.
  std::vector<LogRecord> take() {
    std::vector<LogRecord> records;
    for (LogRecord& record : StandinLog::takeCaptured())
      if (record.className == "CommunicationHandler") records.push_back(std::move(record));
    return records;
  }

 private:
  MakoraLog_Static::Level previous_;
};

// Clears the factory's host components before and after each test.
class FactoryComponents {
 public:
  FactoryComponents() { reset(); }
  ~FactoryComponents() { reset(); }
  FactoryComponents(const FactoryComponents&) = delete;
  FactoryComponents& operator=(const FactoryComponents&) = delete;

  URLCommandFactory* operator->() const { return URLCommandFactory::getInstance(); }

 private:
  static void reset() {
    URLCommandFactory* factory = URLCommandFactory::getInstance();
    factory->textService = nullptr;
    factory->dataManager = nullptr;
    factory->diagData = nullptr;
    factory->diagServices = nullptr;
  }
};

}  // namespace comm_test
