// Statuses and caching of whole texts, the nesting limit, why a text fails.
// Arbitrary texts are the engine test's random sample and the mask fuzz target.
// Guards against: a text that fails to parse cached or its result written,
// constant parts evaluated again, a nesting or height past the limit taking
// the stack, a failure whose reason does not name its cause.
#include <string>

#include "mask_test_support.h"
#include "platform/Limits.h"

namespace {

using namespace status;

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
  std::string cached(const char* text) {
    const mask::Binding* binding = store().find(text);
    if (binding == nullptr) return "";
    if (binding->kind == mask::Binding::kConstant) return describe(binding->constant);
    return binding->kind == mask::Binding::kVariable ? "variable" : "program";
  }
};

std::string repeat(const std::string& piece, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

// What the store keeps under each text after a first evaluation (a constant
// text its value), and what a second one gives once A, B and X have changed.
TEST_F(InterpreterTest, Caching) {
  const struct {
    const char* text;
    int status;
    double result;
    const char* cached;
    int statusAfter;
    double resultAfter;
  } rows[] = {
      {"1 + 2", kOk, 3, "i:3/32", kOk, 3},
      {"(A == 1) && (B == 2)", kTrue, 1, "program", kFalse, 0},
      {"(1 + 2) * A + $StringToLong$('10')", kOk, 19, "program", kOk, 22},
      {"B", kOk, 2, "variable", kOk, 3},             // the variable itself
      {"X = 5", kOk, 5, "i:5/32", kOk, 5},           // a constant assignment is not repeated
      {"(X = 9) + A", kOk, 10, "program", kOk, 11},  // nor a constant part that assigns
  };
  for (const auto& row : rows) {
    double result = 0;
    EXPECT_EQ(evaluate(row.text, result), row.status) << row.text;
    EXPECT_EQ(result, row.result) << row.text;
    EXPECT_EQ(cached(row.text), row.cached) << row.text;
  }
  store().setVariable("A", 2, 0);
  store().setVariable("B", 3, 0);
  store().setVariable("X", 7, 32);
  for (const auto& row : rows) {
    double result = 0;
    EXPECT_EQ(evaluate(row.text, result), row.statusAfter) << row.text;
    EXPECT_EQ(result, row.resultAfter) << row.text;
  }
  EXPECT_EQ(variable("X"), "i:7/32");
}

// Statuses of whole texts, the value written, and whether the text was cached:
// only texts that parse are, and a failure leaves the result (-9) untouched.
// Quotes do not hide a ':' from the '?'.
TEST_F(InterpreterTest, Statuses) {
  const struct {
    const char* text;
    int status;
    double result;
    size_t cached;
  } rows[] = {
      {"", kOk, -9, 1},
      {"", kOk, -9, 0},
      {"(1 + 2", kOk, -9, 1},
      {"'abc'", kUnsupported, -9, 1},
      {"12ab", kSyntaxError, -9, 0},
      {"A Q", kUndefinedVariable, -9, 0},
      {"r + 1", kSyntaxError, -9, 0},
      {"r+1", kOk, 2, 1},
      {"A ? 'x:y' : B", kSyntaxError, -9, 0},
      {"2(3)", kSyntaxError, -9, 0},
      {"(2)(3)", kOk, 3, 1},
      {"$HexaToDec$ (1)", kSyntaxError, -9, 0},
      {"1 = 2", kUnsupported, -9, 0},
      {"A == 1 && B == 2", kTypeError, -9, 1},
  };
  for (const auto& row : rows) {
    const size_t before = store().size();
    double result = -9;
    EXPECT_EQ(evaluate(row.text, result), row.status) << row.text;
    EXPECT_DOUBLE_EQ(result, row.result) << row.text;
    EXPECT_EQ(store().size(), before + row.cached) << row.text;
  }
  double result = -9;
  EXPECT_EQ(interpreter.evaluate(nullptr, result), kOk);
  store().setVariable("Q", 4, 0);  // a text that failed on it works now
  EXPECT_EQ(evaluate("A Q", result), kOk);
}

// Nesting and tree height are both limited: a text exactly at the limit
// parses, one step past it is a syntax error (not exhausting the stack) and
// nothing is cached; far past it fails the same way.
TEST_F(InterpreterTest, NestingLimit) {
  const int limit = limits::kMaxExpressionDepth;
  const struct {
    const char* what;
    std::string (*make)(int);
    double value;
  } rows[] = {
      {"nesting", [](int n) { return repeat("(", n) + "1" + repeat(")", n); }, 1},
      {"height", [](int n) { return "1" + repeat(" & 1", n); }, 1},
      {"right", [](int n) { return repeat("true == ", n) + "true"; }, 1},
      {"function",
       [](int n) {
         return "$StringToLong$(" + repeat("$HexaToDec$(", n - 1) + "'1'" + repeat(")", n);
       },
       1},
      {"conditional", [](int n) { return repeat("true ? ", n) + "2" + repeat(" : 3", n); }, 2},
  };
  for (const auto& row : rows) {
    // limit - 1 steps over the innermost node make a tree of exactly the limit.
    double result = -9;
    EXPECT_GE(evaluate(row.make(limit - 1), result), 0) << row.what;
    EXPECT_EQ(result, row.value) << row.what;
    for (const int over : {limit, 200000}) {
      const size_t before = store().size();
      EXPECT_EQ(evaluate(row.make(over), result), kSyntaxError) << row.what << " " << over;
      EXPECT_EQ(store().size(), before) << row.what;
    }
  }
}

// A broken mask says why: where the text is malformed, the missing variable,
// or the operator and the kinds it refused.
TEST_F(InterpreterTest, FailureReasonsNameTheCause) {
  const std::pair<const char*, std::vector<std::string>> rows[] = {
      {"A == 1 && B # 0", {"&&", "integer"}},
      {"Option # 0", {"character 1", "Option"}},
      {"A + 'x'", {"+", "integer", "text"}},
      {"$Nope$(1)", {"character 2", "$Nope$"}},
      {"A == 2 &&", {"'&&' has no right operand"}},
      {"A +", {"'+' has no right operand"}},
      {"-", {"'-' has no operand"}},
      {"false ? 1", {"'?'", "':'"}},
  };
  for (const auto& [text, facts] : rows) {
    double result = 0;
    EXPECT_LT(evaluate(text, result), 0) << text;
    for (const std::string& fact : facts)
      EXPECT_NE(mask::failure().find(fact), std::string::npos) << text << ": " << mask::failure();
  }
  double result = 0;
  EXPECT_EQ(evaluate("A", result), 0);
  EXPECT_EQ(mask::failure(), "");
}

}  // namespace
