#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "mask/Expression.h"
#include "mask/ExpressionStore.h"
#include "mask/SyntaxInterpreter.h"
#include "mask/ValueExpression.h"
#include "platform/Platform.h"

// A text, the status of evaluating its tree, and the value it yields ("" when none).
struct EvalRow {
  const char* text;
  int status;
  const char* value;
};

// Kind and payload of a value: i:<value>/<bitWidth>, r:<value>, t:<text>, b:true|false.
inline std::string describe(const mask::Value& value) {
  char buffer[64];
  switch (value.kind) {
    case kind::kLong:
      return "i:" + std::to_string(value.integer) + "/" + std::to_string(value.bitWidth);
    case kind::kDouble:
      std::snprintf(buffer, sizeof(buffer), "r:%g", value.real);
      return buffer;
    case kind::kChar:
      return "t:" + value.text;
    case kind::kBool:
      return value.truth ? "b:true" : "b:false";
    default:
      return "kind:" + std::to_string(value.kind);
  }
}

inline std::string describe(const Expression* node) {
  if (node == nullptr) return "";
  mask::Value value;
  value.kind = node->getKind();
  switch (value.kind) {
    case kind::kLong:
      value.integer = static_cast<const LongExpression*>(node)->value();
      value.bitWidth = static_cast<const LongExpression*>(node)->bitWidth();
      break;
    case kind::kDouble:
      value.real = static_cast<const DoubleExpression*>(node)->value();
      break;
    case kind::kChar:
      value.text = static_cast<const CharExpression*>(node)->text();
      break;
    case kind::kBool:
      value.truth = static_cast<const BoolExpression*>(node)->value();
      break;
  }
  return describe(value);
}

class MaskTest : public ::testing::Test {
 protected:
  ExpressionStore& store() { return *interpreter.getStore(); }

  // Evaluates the text's tree once, uncached: the status of its root.
  void expectRow(const EvalRow& row) {
    Node tree;
    mask::Value value;
    value.kind = -1;
    int s = store().parse(row.text, tree);
    if (s >= 0) s = store().evaluateTree(tree.get(), value);
    EXPECT_EQ(s, row.status) << row.text;
    EXPECT_EQ(value.kind < 0 ? "" : describe(value), row.value) << row.text;
  }

  // The printable form of the text's tree, or "error <status>".
  std::string printed(const char* text) {
    Node tree;
    std::wstring form;
    int s = store().parse(text, tree);
    if (s >= 0 && tree) s = tree->toString(form);
    return s < 0 ? "error " + std::to_string(s) : Platform::wideToAnsi(form.c_str());
  }

  // A variable's value, or "" when the name is no variable.
  std::string variable(const char* name) { return describe(store().variableNode(name).get()); }

  SyntaxInterpreter interpreter;
};
