#pragma once

#include <ace/SString.h>

#include <memory>

#include "HostApi.h"

// One XML element of the host's DOM. Each object owns its own document;
// insertElement copies the child in.
class HOST_API BDomData {
 public:
  BDomData();
  BDomData(const BDomData& other);
  BDomData& operator=(const BDomData& other);
  virtual ~BDomData();

  // Reads and parses a file; the path is UTF-8.
  bool load(const char* utf8Path);
  // The whole element as XML text.
  bool getXML(ACE_WString& xml) const;
  // Replaces the element by the parsed text (its root element).
  bool setXML(const ACE_WString& xml);
  // The element's text content.
  bool getContent(ACE_WString& content) const;
  bool insertElement(const BDomData& child);
  bool setAttributeValue(const ACE_WString& name, const ACE_WString& value);
  bool getAttributeValue(const ACE_WString& name, ACE_WString& value) const;

  // The host's own side of the element (defined in the host library only).
  struct Impl;
  Impl& impl() { return *impl_; }
  const Impl& impl() const { return *impl_; }

 protected:
  std::unique_ptr<Impl> impl_;
};
