#pragma once

#include <ace/SString.h>

#include <pugixml.hpp>
#include <string>

#include "BDomData.h"

// Element layout of the model classes, shared by the component's query builder
// and the diagnostic simulation:
//   - set_X(value) writes attribute X on the element (set_name -> name="...").
//   - insert_EcuDataSet/State/Parameter/Identification/Command/InputData append a
//     deep copy of the child element; set_InputList replaces any InputList child.
//   - A query:
//     <Query name="EP" queryId="DEMO/AB" sleepTimer="0" requestType="read" refresh="once"
//            synchronous="true">
//       <EcuDataSet name="DEMO">
//         <State name="A"/><Parameter name="B"/><Identification name="C"/>
//         <Command name="Bleed"><InputList><InputData value="5"/></InputList></Command>
//         <Service delay="0" mode="1"><Start><Request val="22F190"/>
//           <Response><Simple val=""/></Response></Start></Service>
//       </EcuDataSet>
//     </Query>
//   - Descriptions:
//     <State name="S"><Mask value="VehicleType == 2"/>
//       <Interpretation><Correspondance value="0" codetext="T_OFF" defaultText="Off"/>...
//       </Interpretation></State>
//     <Parameter name="P"><Mask value="..."/><Format>2</Format></Parameter>
//     <Identification name="I"><Mask value="..."/></Identification>
//   has_/get_ look for the child element of that name (Mask, Interpretation,
//   Correspondance in document order, Format); DRMask::get_value and the
//   DRCorrespondance getters read attributes, DRFormat is read by getContent.
struct BDomData::Impl {
  // Holds at most one element, the root; a default-constructed object has none.
  pugi::xml_document doc;

  pugi::xml_node root() const { return doc.document_element(); }
  // Makes this object a deep copy of element (empty when element is null).
  void assign(pugi::xml_node element);

  bool setAttribute(const char* name, const ACE_WString& value);
  bool getAttribute(const char* name, ACE_WString& value) const;
  pugi::xml_node child(const char* name) const;
  // Copies the named child element into out; false when there is none.
  bool getChild(const char* name, BDomData& out) const;
  // Appends a copy of element's root.
  bool append(const BDomData& element);
  // Removes every child of that name, then appends a copy of element's root.
  bool replaceChild(const char* name, const BDomData& element);

  static std::string utf8(const ACE_WString& text);
  static ACE_WString wide(const char* utf8Text);
};

// The members a state, a parameter and an identification have alike (their
// classes share no base: the host declares each on its own).
#define FT_DESCRIBED_ITEM_MEMBERS(Item)             \
  bool Item::set_name(const ACE_WString& name) {    \
    return impl_->setAttribute("name", name);       \
  }                                                 \
  bool Item::has_Mask() const {                     \
    return static_cast<bool>(impl_->child("Mask")); \
  }                                                 \
  bool Item::get_Mask(DRMask& mask) const {         \
    return impl_->getChild("Mask", mask);           \
  }
