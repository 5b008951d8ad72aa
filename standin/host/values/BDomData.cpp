#include "BDomData.h"

#include <sstream>

#include "BDomDataImpl.h"
#include "WideText.h"

void BDomData::Impl::assign(pugi::xml_node element) {
  doc.reset();
  if (element) doc.append_copy(element);
}

bool BDomData::Impl::setAttribute(const char* name, const ACE_WString& value) {
  pugi::xml_node element = root();
  if (!element || name[0] == '\0') return false;
  pugi::xml_attribute attribute = element.attribute(name);
  if (!attribute) attribute = element.append_attribute(name);
  return attribute.set_value(utf8(value).c_str());
}

bool BDomData::Impl::getAttribute(const char* name, ACE_WString& value) const {
  pugi::xml_attribute attribute = root().attribute(name);
  if (!attribute) return false;
  value = wide(attribute.value());
  return true;
}

pugi::xml_node BDomData::Impl::child(const char* name) const {
  return root().child(name);
}

bool BDomData::Impl::getChild(const char* name, BDomData& out) const {
  pugi::xml_node found = child(name);
  if (!found) return false;
  out.impl_->assign(found);
  return true;
}

bool BDomData::Impl::append(const BDomData& element) {
  pugi::xml_node parent = root();
  pugi::xml_node childRoot = element.impl_->root();
  if (!parent || !childRoot) return false;
  return static_cast<bool>(parent.append_copy(childRoot));
}

bool BDomData::Impl::replaceChild(const char* name, const BDomData& element) {
  pugi::xml_node parent = root();
  if (!parent || !element.impl_->root()) return false;
  while (pugi::xml_node old = parent.child(name)) parent.remove_child(old);
  return append(element);
}

std::string BDomData::Impl::utf8(const ACE_WString& text) {
  return pugi::as_utf8(stdWide(text));
}

ACE_WString BDomData::Impl::wide(const char* utf8Text) {
  return aceWide(pugi::as_wide(utf8Text != nullptr ? utf8Text : ""));
}

BDomData::BDomData() : impl_(std::make_unique<Impl>()) {}

BDomData::BDomData(const BDomData& other) : impl_(std::make_unique<Impl>()) {
  impl_->assign(other.impl_->root());
}

BDomData& BDomData::operator=(const BDomData& other) {
  if (this != &other) impl_->assign(other.impl_->root());
  return *this;
}

BDomData::~BDomData() = default;

// A file holds one document; only its root element is kept.
bool BDomData::load(const char* utf8Path) {
  if (utf8Path == nullptr) return false;
  pugi::xml_document parsed;
  if (!parsed.load_file(utf8Path) || !parsed.document_element()) return false;
  impl_->assign(parsed.document_element());
  return true;
}

bool BDomData::getXML(ACE_WString& xml) const {
  pugi::xml_node element = impl_->root();
  if (!element) return false;
  std::ostringstream text;
  element.print(text, "", pugi::format_raw, pugi::encoding_utf8);
  xml = Impl::wide(text.str().c_str());
  return true;
}

// The text is one document; its root element becomes this element.
bool BDomData::setXML(const ACE_WString& xml) {
  pugi::xml_document parsed;
  const pugi::xml_parse_result result = parsed.load_buffer(
      xml.c_str(), xml.length() * sizeof(wchar_t), pugi::parse_default, pugi::encoding_wchar);
  if (!result || !parsed.document_element()) return false;
  impl_->assign(parsed.document_element());
  return true;
}

// Text content: every text and CDATA below the element, in document order.
bool BDomData::getContent(ACE_WString& content) const {
  pugi::xml_node element = impl_->root();
  if (!element) return false;
  struct Collector : pugi::xml_tree_walker {
    std::string text;
    bool for_each(pugi::xml_node& node) override {
      if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) text += node.value();
      return true;
    }
  } collector;
  element.traverse(collector);
  content = Impl::wide(collector.text.c_str());
  return true;
}

bool BDomData::insertElement(const BDomData& child) {
  return impl_->append(child);
}

bool BDomData::setAttributeValue(const ACE_WString& name, const ACE_WString& value) {
  return impl_->setAttribute(Impl::utf8(name).c_str(), value);
}

bool BDomData::getAttributeValue(const ACE_WString& name, ACE_WString& value) const {
  return impl_->getAttribute(Impl::utf8(name).c_str(), value);
}
