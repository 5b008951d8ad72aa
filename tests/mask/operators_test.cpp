// Operators and conversion functions: refused kinds, results, bit widths,
// and when a result counts as constant.
// Results the random texts of the engine's test reach are pinned there; the rows
// here name the rules, and the kinds, bit widths and constancy it cannot see.
// Guards against: an operand kind accepted that must be refused, 32-bit wrap
// or truncation lost, the wrong operand's bit width kept, a result marked
// constant that depends on a variable (or not marked when it does not), &&
// and || evaluating their right side when the left decides, a conversion
// misreading a prefix, sign or bound, an accessor evaluating instead of reading.
#include "mask_test_support.h"

namespace {

using namespace status;

class OperatorsTest : public MaskTest {
 protected:
  void SetUp() override {
    store().setVariable("A", 1, 0);
    store().setVariable("V", 31, 0);  // width 0, as loaded from the host
    store().setVariable("X", 0, 32);
    store().setVariable("W40", 1, 40);
    store().setVariable("B12", 2, 12);
  }
};

// Integers wrap at 32 bits and take the larger bit width of the two operands.
TEST_F(OperatorsTest, Arithmetic) {
  const EvalRow rows[] = {
      {"7 / 2", kConstant, "i:3/32"},
      {"-7 / 2", kConstant, "i:-3/32"},
      {"7 / 0", kTypeError, ""},
      {"1 + 2.5", kConstant, "r:3.5"},
      {"true + 1", kTypeError, ""},
      {"-'a'", kUnsupported, ""},
      {"V + 1", kOk, "i:32/32"},
      {"V / 1", kOk, "i:31/32"},  // division goes the general path, the others a fast one
      {"-V", kOk, "i:-31/0"},
      {"B12 - V", kOk, "i:-29/12"},
      {"'ab' + 'cd'", kConstant, "t:abcd"},
      {"2147483647 + 1", kConstant, "i:-2147483648/32"},
      {"(-2147483647 - 1) / -1", kConstant, "i:-2147483648/32"},
      {"$HexaToString$(V - 1)", kOk, "t:0000001E"},
  };
  for (const EvalRow& row : rows) expectRow(row);
}

// Numbers are taken as 32-bit integers, reals truncated toward zero; the
// result keeps the left operand's width. '#' tests one bit, width 1.
TEST_F(OperatorsTest, BitwiseAndBitTest) {
  const EvalRow rows[] = {
      {"6 & 3", kConstant, "i:2/32"},
      {"3 & 6.9", kConstant, "i:2/32"},
      {"2147483647.5 & 1", kConstant, "i:1/32"},  // truncated before the 32-bit edge
      {"2147483648.0 & 1", kConstant, "i:0/32"},  // past it: the processor's INT32_MIN
      {"-2147483648.5 | 0", kConstant, "i:-2147483648/32"},
      {"V & 255", kOk, "i:31/0"},
      {"255 & V", kOk, "i:31/32"},
      {"B12 | V", kOk, "i:31/12"},
      {"'a' | ' '", kConstant, "t:a"},
      {"'abc' & 'ab'", kConstant, "t:ab"},
      {"'a' & 1", kTypeError, ""},
      {"(0 - 2147483647 - 1) # 31", kConstant, "i:1/1"},
      {"5 # 1", kConstant, "i:0/1"},
      {"5 # 32", kConstant, "i:1/1"},
      {"5.9 # 0.9", kConstant, "i:1/1"},
  };
  for (const EvalRow& row : rows) expectRow(row);
}

// Truth values are only equal or different; && and || decide on the left
// where they can.
TEST_F(OperatorsTest, ComparisonsAndLogic) {
  const EvalRow rows[] = {
      {"1 == 1.0", kConstant, "b:true"},
      {"1 < 2", kConstant, "b:true"},
      {"2 > 1", kConstant, "b:true"},
      {"1 <= 1", kConstant, "b:true"},
      {"A > 1", kFalse, "b:false"},
      {"1 == 'a'", kTypeError, ""},
      {"true == 1", kTypeError, ""},
      {"1e400 - 1e400 != 0", kConstant, "b:true"},  // unordered: only != holds
      {"1e400 - 1e400 >= 0", kConstant, "b:false"},
      {"'A' == 'a'", kConstant, "b:false"},
      {"true < false", kConstant, "b:false"},
      {"false >= false", kConstant, "b:false"},
      {"1 && true", kTypeError, ""},
      {"false && (1 == 'a')", kFalse, "b:false"},
      {"true || (1 == 'a')", kTrue, "b:true"},
      {"true && (1 == 'a')", kTypeError, ""},
      {"!5", kUnsupported, ""},
      {"!(A == 1)", kTrue, "b:false"},  // the comparison's own status, not inverted
  };
  for (const EvalRow& row : rows) expectRow(row);
}

TEST_F(OperatorsTest, ConditionalAndAssignment) {
  const EvalRow rows[] = {
      {"true ? 1 : 2", kConstant, "i:1/32"}, {"false ? 1 : 2", kConstant, "i:2/32"},
      {"A > 0 ? 1 : 2", kOk, "i:1/32"},      {"false ? 1", kMissingOperand, ""},
      {"1 ? 2 : 3", kTypeError, ""},         {"false ? 1 == 'a' : 2", kConstant, "i:2/32"},
      {"X = 5", kConstant, "i:5/32"},        {"X = A", kOk, "i:1/0"},
  };
  for (const EvalRow& row : rows) expectRow(row);
  double result = 0;
  // The value is copied: the variable does not share a node with the tree.
  EXPECT_EQ(interpreter.evaluate("X = X + 1", result), 0);
  EXPECT_EQ(interpreter.evaluate("X + (X = 10)", result), 0);
  EXPECT_EQ(result, 12.0);
  EXPECT_EQ(variable("X"), "i:10/32");
}

TEST_F(OperatorsTest, ConversionFunctions) {
  const EvalRow rows[] = {
      {"$HexaToString$(255)", kConstant, "t:000000FF"},
      {"$HexaToString$(5 # 0)", kConstant, "t:01"},
      {"$HexaToString$(V)", kOk, "t:1F"},
      {"$HexaToString$('A')", kUnsupported, ""},
      {"$HexaToString$(W40)", kUnsupported, ""},
      {"$HexaToDec$('0x1f')", kConstant, "t:31"},
      {"$StringToLong$('-0X1')", kConstant, "i:-1/32"},
      {"$HexaToDec$('  -1f')", kConstant, "t:-31"},
      {"$HexaToDec$(1.5)", kUnsupported, ""},
      {"$HexaToDec$()", kMissingOperand, ""},
      {"$StringToLong$('10')", kConstant, "i:16/32"},
      {"$StringToLong$(10)", kUnsupported, ""},
      {"$HexaToDec$('FFFFFFFF')", kConstant, "t:2147483647"},
      {"$HexaToDec$('-FFFFFFFF')", kConstant, "t:-2147483648"},
      {"$HexaToAscii$('414243')", kConstant, "t:ABC"},
  };
  for (const EvalRow& row : rows) expectRow(row);
}

// Operands read an operator node's value this way, without evaluating it.
TEST_F(OperatorsTest, OperatorAccessors) {
  const struct {
    const char* text;
    int longStatus;
    int32_t longValue;
    int boolStatus;
  } rows[] = {
      {"1 + 2", kOk, 3, kUnsupported},        {"7 / 0", kTypeError, 0, kUnsupported},
      {"5 # 2", kOk, 1, kUnsupported},        {"-A", kOk, -1, kUnsupported},
      {"'a' == 'a'", kTrue, 1, kTrue},        {"true && false", kUnsupported, 0, kFalse},
      {"true ? 4 : 5", kOk, 4, kUnsupported}, {"$HexaToDec$(1)", kUnsupported, 0, kUnsupported},
      {"X = 7", kOk, 7, kUnsupported},
  };
  for (const auto& row : rows) {
    Node tree;
    ASSERT_EQ(store().parse(row.text, tree), 0) << row.text;
    int32_t value = 0;
    bool truth = false;
    EXPECT_EQ(tree->getLong(value), row.longStatus) << row.text;
    EXPECT_TRUE(row.longStatus < 0 || value == row.longValue) << row.text << " read " << value;
    EXPECT_EQ(tree->getBool(truth), row.boolStatus) << row.text;
  }
  EXPECT_EQ(variable("X"), "i:7/32");  // reading an assignment performs it
}

}  // namespace
