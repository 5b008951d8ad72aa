#pragma once

#include <ace/SString.h>

#include <QString>
#include <optional>

class BSet;
class CommunicationHandler;
class DREcuDataSet;
class IDiagData;

// A kind of ECU data item as the page names it: where the diagnostic
// services store its values, its element in queries and descriptions, and
// how a stored value is read and shown. Every place that works per kind reads
// this one table.
struct ItemKind {
  const char* word;
  const wchar_t* valuesKey;
  const wchar_t* element;
  // Adds the named item to a read query's data set.
  void (*addToQuery)(const ItemKind& kind, DREcuDataSet& dataSet, const QString& name);
  // The description's lookup status; mask holds its mask text when it has one.
  int (*describe)(const ItemKind& kind, IDiagData& diagData, const ACE_WString& ecu,
                  const QString& name, std::optional<ACE_WString>& mask);
  // Appends the raw and display fields of the stored value; false when it is absent.
  bool (*appendFields)(CommunicationHandler& handler, const BSet& values, const QString& ecu,
                       const QString& name, QString& answer);

  // The row of a kind word, compared exactly; null for any other word.
  static const ItemKind* find(const QString& word);
  static const ItemKind kinds[3];
  static const ItemKind& state() { return kinds[0]; }
  static const ItemKind& parameter() { return kinds[1]; }
};
