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
inline std::string describe(const Expression* value) {
  if (value == nullptr) return "";
  char buffer[64];
  switch (value->getKind()) {
    case kind::kLong: {
      const auto* v = static_cast<const LongExpression*>(value);
      return "i:" + std::to_string(v->value()) + "/" + std::to_string(v->bitWidth());
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

  // Evaluates the cached tree without folding, so it stays as parsed.
  void expectRow(const EvalRow& row) {
    Expression* tree = nullptr;
    std::unique_ptr<Expression> value;
    int s = store().getExpression(row.text, tree);
    if (s >= 0 && tree != nullptr) s = tree->evaluate(value, false);
    EXPECT_EQ(s, row.status) << row.text;
    EXPECT_EQ(describe(value.get()), row.value) << row.text;
  }

  // The printable form of the cached tree, or "error <status>".
  std::string printed(const char* text) {
    Expression* tree = nullptr;
    std::wstring form;
    int s = store().getExpression(text, tree);
    if (s >= 0 && tree != nullptr) s = tree->toString(form);
    return s < 0 ? "error " + std::to_string(s) : Platform::wideToAnsi(form.c_str());
  }

  SyntaxInterpreter interpreter;
};
