// ft-host's check of masks: every broken mask gets a cause, also those the component takes.
#include <gtest/gtest.h>

#include <string>

#include "MaskCheck.h"
#include "mask/ExpressionStore.h"
#include "mask/SyntaxInterpreter.h"

namespace {

TEST(MaskCheck, EveryBrokenMaskSaysWhy) {
  const struct {
    const char* mask;
    const char* cause;  // a part of the cause; "" when the mask works
  } rows[] = {
      {"(Door == 2) && ((Options # 0) == 1)", ""},
      {"Options # 1", ""},
      {"Door == 2 ? true : false", ""},
      {"(Door == 1", "at character 1: '(' is never closed"},
      {"(Door == 2) && ((Options # 0) == 1", "at character 16: '(' is never closed"},
      {"(Door == 2) && (Options # 0)", "'&&' cannot take integer"},
      {"Door == 2 &&", "'&&' has no right operand"},
      {"Door ==", "'==' has no right operand"},
      {"Nope == 1", "no variable named Nope"},
      {"Door + 'x'", "'+' cannot take integer and text"},
      {"Door == 1)", "')' without '('"},
      {"Door", "gives the number 2, and only 1 (true) applies"},
      {"Options & 4", "gives the number 4"},
      {"", "gives no value"},
      {"()", "gives no value"},
  };
  SyntaxInterpreter interpreter;
  interpreter.getStore()->setVariable("Door", 2, 0);
  interpreter.getStore()->setVariable("Options", 5, 0);
  for (const auto& row : rows) {
    const std::string problem = maskProblem(interpreter, row.mask);
    EXPECT_EQ(problem.empty(), *row.cause == '\0') << row.mask << ": " << problem;
    EXPECT_NE(problem.find(row.cause), std::string::npos) << row.mask << ": " << problem;
  }
}

}  // namespace
