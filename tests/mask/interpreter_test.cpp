// Statuses and caching of whole texts, the nesting limit, and robustness
// against arbitrary text.
#include <random>
#include <sstream>
#include <string>

#include "mask_test_support.h"
#include "platform/Limits.h"

namespace {

class InterpreterTest : public MaskTest {
 protected:
  void SetUp() override {
    store().setVariable("A", 1, 0);
    store().setVariable("B", 2, 0);
    store().setVariable("X", 0, 32);
    store().setVariable("r", 1, 0);
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

// What the store keeps under each text after a first evaluation, and what a
// second one gives once A, B and X have changed.
TEST_F(InterpreterTest, Caching) {
  const struct {
    const char* text;
    int status;
    double result;
    const char* cached;
    int statusAfter;
    double resultAfter;
  } rows[] = {
      {"1 + 2", 0, 3, "3", 0, 3},
      {"1 < 2", 1, 1, "true", 1, 1},
      {"(A == 1) && (B == 2)", 1, 1, "[&&, [==, A, 1], [==, B, 2]]", 2, 0},
      {"(1 + 2) * A + $StringToLong$('10')", 0, 19, "[+, [*, 3, A], 16]", 0, 22},
      {"B", 0, 2, "2", 0, 3},      // the variable itself
      {"X = 5", 0, 5, "5", 0, 5},  // a constant assignment is not repeated
  };
  for (const auto& row : rows) {
    double result = 0;
    EXPECT_EQ(evaluate(row.text, result), row.status) << row.text;
    EXPECT_EQ(result, row.result) << row.text;
    EXPECT_EQ(printed(row.text), row.cached) << row.text;
  }
  store().setVariable("A", 2, 0);
  store().setVariable("B", 3, 0);
  store().setVariable("X", 7, 32);
  for (const auto& row : rows) {
    double result = 0;
    EXPECT_EQ(evaluate(row.text, result), row.statusAfter) << row.text;
    EXPECT_EQ(result, row.resultAfter) << row.text;
  }
  EXPECT_EQ(describe(store().find("X")), "i:7/32");
}

// Statuses of whole texts, the value written, and whether the text was cached:
// only texts that parse are, and a failure leaves the result untouched.
TEST_F(InterpreterTest, Statuses) {
  const double untouched = -99;
  const struct {
    const char* text;
    int status;
    double result;
    size_t cached;
  } rows[] = {
      {"", 0, untouched, 1},
      {"", 0, untouched, 0},
      {"(1 + 2", 0, untouched, 1},
      {"true", 1, 1, 1},
      {"false", 2, 0, 1},
      {"'abc'", -3, untouched, 1},
      {"1.2.3", 0, 1.2, 1},
      {"1x5", 0, 1, 1},
      {"12ab", -2, untouched, 0},
      {"A Q", -5, untouched, 0},
      {"Q + 1", -5, untouched, 0},
      {"r + 1", -2, untouched, 0},
      {"r+1", 0, 2, 1},
      {"A ? 'x:y' : B", -2, untouched, 0},  // quotes do not hide the ':' from the '?'
      {"2(3)", -2, untouched, 0},
      {"(2)(3)", 0, 3, 1},
      {")", -2, untouched, 0},
      {"$Unknown$(1)", -2, untouched, 0},
      {"$HexaToDec$ (1)", -2, untouched, 0},
      {"$HexaToDec$(1", -2, untouched, 0},
      {"'abc", -2, untouched, 0},
      {"1 = 2", -3, untouched, 0},
      {"1 +* (", -4, untouched, 1},
      {"A == 1 && B == 2", -2, untouched, 1},
      {"A / 2.0", 0, 0.5, 1},
  };
  for (const auto& row : rows) {
    const size_t before = store().size();
    double result = untouched;
    EXPECT_EQ(evaluate(row.text, result), row.status) << row.text;
    EXPECT_DOUBLE_EQ(result, row.result) << row.text;
    EXPECT_EQ(store().size(), before + row.cached) << row.text;
  }
  double result = untouched;
  EXPECT_EQ(interpreter.evaluate(nullptr, result), 0);
  store().setVariable("Q", 4, 0);  // a text that failed on it works now
  EXPECT_EQ(evaluate("Q + 1", result), 0);
  EXPECT_EQ(result, 5.0);
}

// Nesting and tree height are both limited: a text exactly at the limit
// parses, one step past it fails with -2 (not exhausting the stack) and
// nothing is cached; far past it fails the same way.
TEST_F(InterpreterTest, NestingLimit) {
  const int limit = limits::kMaxExpressionDepth;
  const struct {
    const char* what;
    std::string (*make)(int);
    int atLimit;  // steps that reach the limit exactly
    double value;
  } rows[] = {
      {"nesting", [](int n) { return repeat("(", n) + "1" + repeat(")", n); }, limit - 1, 1},
      {"height", [](int n) { return "1" + repeat(" & 1", n); }, limit - 1, 1},
      {"both", [](int n) { return repeat("!", n) + "true"; }, limit - 1, 0},
      {"right", [](int n) { return repeat("true == ", n) + "true"; }, limit - 1, 1},
      {"prefix", [](int n) { return repeat("- ", n) + "1"; }, limit - 1, -1},
      {"function",
       [](int n) {
         return "$StringToLong$(" + repeat("$HexaToDec$(", n - 1) + "'1'" + repeat(")", n);
       },
       limit - 1, 1},
      {"conditional", [](int n) { return repeat("true ? ", n) + "2" + repeat(" : 3", n); },
       limit - 1, 2},
  };
  for (const auto& row : rows) {
    double result = -9;
    const std::string fits = row.make(row.atLimit);
    EXPECT_GE(evaluate(fits, result), 0) << row.what;
    EXPECT_EQ(result, row.value) << row.what;
    for (const int over : {row.atLimit + 1, 200000}) {
      const size_t before = store().size();
      result = -9;
      EXPECT_EQ(evaluate(row.make(over), result), -2) << row.what << " " << over;
      EXPECT_EQ(store().size(), before) << row.what;
      EXPECT_EQ(result, -9) << row.what;
    }
  }
  // An unclosed group is ignored; a very long flat text is fine.
  double result = 0;
  EXPECT_EQ(evaluate(repeat("(", 200000), result), 0);
  EXPECT_EQ(evaluate("1" + repeat(" 1", 200000), result), 0);
}

// A broken mask says why: where the text is malformed and what was expected,
// the missing variable, or the operator and the kinds it refused.
TEST_F(InterpreterTest, FailureReasons) {
  store().setVariable("DoorCount", 2, 0);
  store().setVariable("Options", 5, 0);
  const std::pair<const char*, const char*> rows[] = {
      {"DoorCount == 2 && Options # 0", "'&&' cannot take integer"},
      {"Option # 0", "at character 1: no variable named Option"},
      {"(Options & 2) = 2", "at character 15: expected a variable before '='"},
      {"A / 0", "division by zero"},
      {"A + 'x'", "'+' cannot take integer and text"},
      {"-'x'", "'-' cannot take text"},
      {"$HexaToString$('x')", "'$HexaToString$' cannot take text"},
      {"A ? 2 : 3", "'?' cannot take integer"},
      {"'abc'", "the value is a text, not a number"},
      {"A + )", "at character 5: ')' without '('"},
      {"12ab", "at character 1: malformed number 12ab"},
      {"$Nope$(1)", "at character 2: unknown function $Nope$"},
      {"'open", "at character 1: expected a closing quote or '$'"},
      {"2(3)", "at character 2: expected an operator between a number and '('"},
      {"$HexaToDec$ (1)", "at character 12: expected '(' right after the function name"},
  };
  for (const auto& [text, reason] : rows) {
    double result = 0;
    EXPECT_LT(evaluate(text, result), 0) << text;
    EXPECT_EQ(mask::failure(), reason) << text;
  }
  double result = 0;
  EXPECT_EQ(evaluate("A", result), 0);
  EXPECT_EQ(mask::failure(), "");
}

// Arbitrary texts: every one ends with a status, and the same status twice
// (also when the first call cached a tree or a value).
TEST_F(InterpreterTest, RobustnessSweep) {
  std::vector<std::string> pieces = {" ", "r ", "\x80"};
  std::istringstream words(
      "A B Z 1 0 0x1F 2.5 1e3 12ab 'ab' \"c\" ' true false ( ) ( ) $HexaToDec$ $HexaToString$ "
      "$HexaToAscii$ $StringToLong$ $Nope$ $ ? : = == != < <= > >= && || & | # + - * / ! ; X");
  for (std::string word; words >> word;) pieces.push_back(word);
  store().setVariable("X", 3, 32);
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> length(0, 14);
  std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> byte(1, 255);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    for (int k = length(random); k > 0; --k)
      text += i % 4 == 3 ? std::string(1, static_cast<char>(byte(random))) : pieces[pick(random)];
    double first = 0;
    double second = 0;
    const int s1 = evaluate(text, first);
    const int s2 = evaluate(text, second);
    EXPECT_TRUE(s1 >= -7 && s1 <= 2) << text;
    if (text.find('=') == std::string::npos) {
      EXPECT_EQ(s1, s2) << text;
      EXPECT_TRUE(s1 < 0 || first == second) << text << ": " << first << " then " << second;
    }
  }
}

}  // namespace
