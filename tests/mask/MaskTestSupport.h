#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "mask/BoolExpression.h"
#include "mask/CharExpression.h"
#include "mask/DoubleExpression.h"
#include "mask/Expression.h"
#include "mask/ExpressionStore.h"
#include "mask/LongExpression.h"
#include "mask/SyntaxInterpreter.h"
#include "platform/Platform.h"

// One row of an evaluation table: the text, the status of evaluating its
// tree, and the value node it yields ("" when none).
struct EvalRow {
  const char* text;
  int status;
  const char* value;
};

// A compact form of a value node, so that tables can state kind and payload:
// i:<value>/<bitWidth>, r:<value>, t:<text>, b:true|false.
inline std::string describe(const Expression* value) {
  if (value == nullptr) return "";
  char buffer[64];
  switch (value->getKind()) {
    case kind::kLong: {
      const auto* v = static_cast<const LongExpression*>(value);
      std::snprintf(buffer, sizeof(buffer), "i:%d/%d", v->value(), v->bitWidth());
      return buffer;
    }
    case kind::kDouble:
      std::snprintf(buffer, sizeof(buffer), "r:%g",
                    static_cast<const DoubleExpression*>(value)->value());
      return buffer;
    case kind::kChar:
      return "t:" + static_cast<const CharExpression*>(value)->text();
    case kind::kBool:
      return static_cast<const BoolExpression*>(value)->value() ? "b:true" : "b:false";
    default:
      return "kind:" + std::to_string(value->getKind());
  }
}

class MaskTest : public ::testing::Test {
 protected:
  ExpressionStore& store() { return *interpreter.getStore(); }

  // Parses (caching the tree) and evaluates without folding, so the cached
  // tree stays as parsed. Returns the parse status when the parse fails.
  int evaluateToNode(const char* text, std::unique_ptr<Expression>& value) {
    Expression* tree = nullptr;
    const int parsed = store().getExpression(text, tree);
    if (parsed < 0 || tree == nullptr) return parsed;
    return tree->evaluate(value, false);
  }

  void expectRow(const EvalRow& row) {
    std::unique_ptr<Expression> value;
    EXPECT_EQ(evaluateToNode(row.text, value), row.status) << row.text;
    EXPECT_EQ(describe(value.get()), row.value) << row.text;
  }

  // The printable form of the tree the text parses to, or "error <status>".
  std::string printed(const char* text) {
    Expression* tree = nullptr;
    const int parsed = store().getExpression(text, tree);
    if (parsed < 0) return "error " + std::to_string(parsed);
    if (tree == nullptr) return "";
    std::wstring form;
    const int s = tree->toString(form);
    if (s < 0) return "error " + std::to_string(s);
    return Platform::wideToAnsi(form.c_str());
  }

  SyntaxInterpreter interpreter;
};
