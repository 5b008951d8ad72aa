// Caching of trees and constant results, the nesting limit, and robustness
// against arbitrary text.
#include <random>
#include <string>

#include "MaskTestSupport.h"
#include "platform/Limits.h"

namespace {

class InterpreterTest : public MaskTest {
 protected:
  void SetUp() override {
    store().setVariable("A", 1, 0);
    store().setVariable("B", 2, 0);
  }
  int evaluate(const std::string& text, double& result) {
    return interpreter.evaluate(text.c_str(), result);
  }
};

std::string repeat(const std::string& piece, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

TEST_F(InterpreterTest, ConstantTextIsEvaluatedOnceAndKeptAsValue) {
  double result = 0;
  EXPECT_EQ(interpreter.evaluate("1 + 2", result), 0);
  EXPECT_EQ(result, 3.0);
  // The store now holds the value under the text, not the tree.
  EXPECT_EQ(describe(store().find("1 + 2")), "i:3/32");
  result = 0;
  EXPECT_EQ(interpreter.evaluate("1 + 2", result), 0);
  EXPECT_EQ(result, 3.0);

  EXPECT_EQ(interpreter.evaluate("1 < 2", result), 1);
  EXPECT_EQ(describe(store().find("1 < 2")), "b:true");
  EXPECT_EQ(interpreter.evaluate("1 < 2", result), 1);
}

TEST_F(InterpreterTest, TreeOverVariablesFollowsSetVariable) {
  double result = 0;
  EXPECT_EQ(interpreter.evaluate("(A == 1) && (B == 2)", result), 1);
  EXPECT_EQ(result, 1.0);
  ASSERT_NE(store().find("(A == 1) && (B == 2)"), nullptr);
  EXPECT_EQ(store().find("(A == 1) && (B == 2)")->getKind(), kind::kOperator);
  store().setVariable("B", 3, 0);
  EXPECT_EQ(interpreter.evaluate("(A == 1) && (B == 2)", result), 2);
  EXPECT_EQ(result, 0.0);
  // A text equal to a variable's name reads the variable itself.
  EXPECT_EQ(interpreter.evaluate("B", result), 0);
  EXPECT_EQ(result, 3.0);
}

TEST_F(InterpreterTest, FoldingReplacesConstantSubtreesOfACachedTree) {
  double result = 0;
  EXPECT_EQ(interpreter.evaluate("(1 + 2) * A + $StringToLong$('10')", result), 0);
  EXPECT_EQ(result, 19.0);
  EXPECT_EQ(printed("(1 + 2) * A + $StringToLong$('10')"), "[+, [*, 3, A], 16]");
  store().setVariable("A", 2, 0);
  EXPECT_EQ(interpreter.evaluate("(1 + 2) * A + $StringToLong$('10')", result), 0);
  EXPECT_EQ(result, 22.0);
}

TEST_F(InterpreterTest, FailuresAreNotCached) {
  const size_t before = store().size();
  double result = -1;
  EXPECT_EQ(interpreter.evaluate("Q + 1", result), -5);
  EXPECT_EQ(interpreter.evaluate("1 +* (", result), -4);  // parses; evaluation fails
  EXPECT_EQ(interpreter.evaluate("12ab", result), -2);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(store().find("Q + 1"), nullptr);
  EXPECT_EQ(store().find("12ab"), nullptr);
  EXPECT_EQ(store().size(), before + 1);
  // The text that failed to parse works once the variable exists.
  store().setVariable("Q", 4, 0);
  EXPECT_EQ(interpreter.evaluate("Q + 1", result), 0);
  EXPECT_EQ(result, 5.0);
}

TEST_F(InterpreterTest, EmptyTextIsCachedAsNoTree) {
  const size_t before = store().size();
  double result = 7;
  EXPECT_EQ(interpreter.evaluate("", result), 0);
  EXPECT_EQ(interpreter.evaluate("", result), 0);
  EXPECT_EQ(result, 7.0);
  EXPECT_EQ(store().size(), before + 1);
  EXPECT_EQ(interpreter.evaluate(nullptr, result), 0);
}

TEST_F(InterpreterTest, CachedConstantAssignmentIsNotRepeated) {
  store().setVariable("X", 0, 32);
  double result = 0;
  EXPECT_EQ(interpreter.evaluate("X = 5", result), 0);
  store().setVariable("X", 7, 32);
  EXPECT_EQ(interpreter.evaluate("X = 5", result), 0);
  EXPECT_EQ(result, 5.0);
  EXPECT_EQ(describe(store().find("X")), "i:7/32");
}

TEST_F(InterpreterTest, SetVariableKeepsTheLow32Bits) {
  store().setVariable("L", 0x1'0000'0005L, 0);
  store().setVariable("N", -1L, 8);
  EXPECT_EQ(describe(store().find("L")), "i:5/0");
  EXPECT_EQ(describe(store().find("N")), "i:-1/8");
}

// Every construct that nests: up to the limit it parses, past it the parse
// fails with -2 and nothing is cached.
TEST_F(InterpreterTest, NestingLimit) {
  const int fits = limits::kMaxExpressionDepth - 56;  // 200
  const int over = limits::kMaxExpressionDepth + 44;  // 300
  struct Row {
    std::string (*make)(int);
    double value;
  };
  const Row rows[] = {
      {[](int n) { return repeat("(", n) + "1" + repeat(")", n); }, 1},
      {[](int n) { return repeat("true == ", n) + "true"; }, 1},
      {[](int n) { return "1" + repeat(" & 1", n); }, 1},
      {[](int n) { return repeat("- ", n) + "1"; }, 1},
      {[](int n) {
         return repeat("$StringToLong$($HexaToDec$(", n / 2) + "'1'" + repeat("))", n / 2);
       },
       1},
      {[](int n) { return repeat("true ? ", n) + "1"; }, 1},
      {[](int n) { return repeat("true ? ", n) + "2" + repeat(" : 3", n); }, 2},
  };
  for (const Row& row : rows) {
    const std::string deep = row.make(over);
    const size_t before = store().size();
    double result = -1;
    EXPECT_EQ(evaluate(deep, result), -2) << deep.substr(0, 40);
    EXPECT_EQ(store().size(), before) << deep.substr(0, 40);
    EXPECT_EQ(result, -1);
    const std::string fine = row.make(fits);
    EXPECT_GE(evaluate(fine, result), 0) << fine.substr(0, 40);
    EXPECT_EQ(result, row.value) << fine.substr(0, 40);
  }
}

// Far past the limit the parse must fail, not exhaust the stack.
TEST_F(InterpreterTest, HugeNestingFailsCleanly) {
  double result = 0;
  const int n = 200000;
  EXPECT_EQ(evaluate(repeat("(", n) + "1" + repeat(")", n), result), -2);
  EXPECT_EQ(evaluate(repeat("!", n) + "true", result), -2);
  EXPECT_EQ(evaluate("1" + repeat(" + 1", n), result), -2);
  EXPECT_EQ(evaluate("1" + repeat(" * 1", n), result), -2);
  // An unclosed group is ignored; a very long flat text is fine.
  EXPECT_EQ(evaluate(repeat("(", n), result), 0);
  EXPECT_EQ(evaluate("1" + repeat(" 1", n), result), 0);
}

// Arbitrary texts: every one ends with a status, and the same status twice
// (also when the first call cached a tree or a value).
TEST_F(InterpreterTest, RobustnessSweep) {
  const char* const pieces[] = {"A",
                                "B",
                                "Z",
                                "1",
                                "0",
                                "0x1F",
                                "2.5",
                                "1e3",
                                "12ab",
                                "'ab'",
                                "\"c\"",
                                "'",
                                "true",
                                "false",
                                "(",
                                ")",
                                "(",
                                ")",
                                "$HexaToDec$",
                                "$HexaToString$",
                                "$HexaToAscii$",
                                "$StringToLong$",
                                "$Nope$",
                                "$",
                                "?",
                                ":",
                                "=",
                                "==",
                                "!=",
                                "<",
                                "<=",
                                ">",
                                ">=",
                                "&&",
                                "||",
                                "&",
                                "|",
                                "#",
                                "+",
                                "-",
                                "*",
                                "/",
                                "!",
                                " ",
                                "r ",
                                ";",
                                "\x80",
                                "X"};
  store().setVariable("X", 3, 32);
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> length(0, 14);
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<int> byte(1, 255);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const int n = length(random);
    for (int k = 0; k < n; ++k) {
      if (i % 4 == 3)
        text += static_cast<char>(byte(random));
      else
        text += pieces[pick(random)];
    }
    double first = 0;
    double second = 0;
    const int s1 = evaluate(text, first);
    const int s2 = evaluate(text, second);
    EXPECT_TRUE(s1 >= -7 && s1 <= 2) << text;
    if (text.find('=') == std::string::npos) {
      EXPECT_EQ(s1, s2) << text;
      if (s1 >= 0) {
        EXPECT_EQ(first, second) << text;
      }
    }
  }
}

}  // namespace
