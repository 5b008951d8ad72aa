// Operators and conversion functions: refused kinds, results, bit widths,
// and when a result counts as constant (status 3).
#include "mask_test_support.h"

namespace {

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
      {"7 / 2", 3, "i:3/32"},
      {"-7 / 2", 3, "i:-3/32"},
      {"7 / 0", -2, ""},
      {"7 / 0.0", -2, ""},
      {"1 + 2.5", 3, "r:3.5"},
      {"2.5 - 1", 3, "r:1.5"},
      {"2.5 * 2", 3, "r:5"},
      {"5 / 2.0", 3, "r:2.5"},
      {"true + 1", -2, ""},
      {"-'a'", -3, ""},
      {"1 +", -4, ""},
      {"V + 1", 0, "i:32/32"},
      {"V - 1", 0, "i:30/32"},
      {"V * 1", 0, "i:31/32"},
      {"V / 1", 0, "i:31/32"},
      {"-V", 0, "i:-31/0"},
      {"B12 - V", 0, "i:-29/12"},
      {"'ab' + 'cd'", 3, "t:abcd"},
      {"'ab' - 'cd'", -2, ""},
      {"2147483647 + 1", 3, "i:-2147483648/32"},
      {"65536 * 65536", 3, "i:0/32"},
      {"(-2147483647 - 1) / -1", 3, "i:-2147483648/32"},
      {"$HexaToString$(V - 1)", 0, "t:0000001E"},
  };
  for (const EvalRow& row : rows) expectRow(row);
}

// Numbers are taken as 32-bit integers, reals truncated toward zero; the
// result keeps the left operand's width. '#' tests one bit, width 1.
TEST_F(OperatorsTest, BitwiseAndBitTest) {
  const EvalRow rows[] = {
      {"6 & 3", 3, "i:2/32"},
      {"6 | 3", 3, "i:7/32"},
      {"3 & 6.9", 3, "i:2/32"},
      {"2147483647.5 & 1", 3, "i:1/32"},  // truncated before the 32-bit edge
      {"2147483648.0 & 1", 3, "i:0/32"},  // past it: the processor's INT32_MIN
      {"-2147483648.5 | 0", 3, "i:-2147483648/32"},
      {"V & 255", 0, "i:31/0"},
      {"255 & V", 0, "i:31/32"},
      {"B12 | V", 0, "i:31/12"},
      {"'a' | ' '", 3, "t:a"},
      {"'abc' & 'ab'", 3, "t:ab"},
      {"'a' & 1", -2, ""},
      {"'a' # 1", -2, ""},
      {"(0 - 2147483647 - 1) # 31", 3, "i:1/1"},
  };
  for (const EvalRow& row : rows) expectRow(row);
  const EvalRow bits[] = {
      {"5 # 0", 3, "i:1/1"},  {"5 # 1", 3, "i:0/1"},     {"5 # 32", 3, "i:1/1"},
      {"5 # -1", 3, "i:1/1"}, {"5.9 # 0.9", 3, "i:1/1"},
  };
  for (const EvalRow& row : bits) expectRow(row);
}

// Each comparison both ways, truth values only equal or different, and
// && / || deciding on the left where they can.
TEST_F(OperatorsTest, ComparisonsAndLogic) {
  const EvalRow rows[] = {
      {"1 == 1.0", 3, "b:true"}, {"2 != 2", 3, "b:false"}, {"2 != 2.5", 3, "b:true"},
      {"1 < 2", 3, "b:true"},    {"2 < 1", 3, "b:false"},  {"2 > 1", 3, "b:true"},
      {"1 > 2", 3, "b:false"},   {"1 <= 1", 3, "b:true"},  {"2 <= 1.5", 3, "b:false"},
      {"3 >= 3", 3, "b:true"},   {"2 >= 3", 3, "b:false"}, {"A == 1", 1, "b:true"},
      {"A > 1", 2, "b:false"},   {"1 == 'a'", -2, ""},     {"true == 1", -2, ""},
  };
  for (const EvalRow& row : rows) expectRow(row);
  // Infinity less infinity is unordered: only != holds.
  expectRow({"1e400 - 1e400 != 0", 3, "b:true"});
  expectRow({"1e400 - 1e400 >= 0", 3, "b:false"});
  const EvalRow truths[] = {
      {"'b' >= 'a'", 3, "b:true"},      {"'A' == 'a'", 3, "b:false"},
      {"true != false", 3, "b:true"},   {"false != false", 3, "b:false"},
      {"false == false", 3, "b:true"},  {"true < false", 3, "b:false"},
      {"false >= false", 3, "b:false"},
  };
  for (const EvalRow& row : truths) expectRow(row);
  const EvalRow logic[] = {
      {"1 && true", -2, ""},
      {"false || true", 3, "b:true"},
      {"(A == 1) && true", 1, "b:true"},
      {"false && (1 == 'a')", 2, "b:false"},
      {"true || (1 == 'a')", 1, "b:true"},
      {"true && (1 == 'a')", -2, ""},
      {"!true", 3, "b:false"},
      {"!5", -3, ""},
      {"!(A == 1)", 1, "b:false"},  // the comparison's own status, not inverted
  };
  for (const EvalRow& row : logic) expectRow(row);
}

TEST_F(OperatorsTest, ConditionalAndAssignment) {
  const EvalRow rows[] = {
      {"true ? 1 : 2", 3, "i:1/32"},
      {"false ? 1 : 2", 3, "i:2/32"},
      {"A > 0 ? 1 : 2", 0, "i:1/32"},
      {"true ? A : 2", 0, "i:1/0"},
      {"false ? 1", -4, ""},
      {"1 ? 2 : 3", -2, ""},
      {"false ? 1 == 'a' : 2", 3, "i:2/32"},
      {"X = 5", 3, "i:5/32"},
      {"X = A", 0, "i:1/0"},
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
      {"$HexaToString$(255)", 3, "t:000000FF"},
      {"$HexaToString$(5 # 0)", 3, "t:01"},
      {"$HexaToString$(V)", 0, "t:1F"},
      {"$HexaToString$(B12)", 0, "t:0002"},
      {"$HexaToString$('A')", -3, ""},
      {"$HexaToString$(W40)", -3, ""},
      {"$HexaToDec$('0x1f')", 3, "t:31"},
      {"$HexaToDec$('0x1')", 3, "t:1"},  // the shortest prefixed number
      {"$HexaToDec$('0x')", 3, "t:0"},
      {"$StringToLong$('-0X1')", 3, "i:-1/32"},
      {"$HexaToDec$('  -1f')", 3, "t:-31"},
      {"$HexaToDec$('1Fzz')", 3, "t:31"},
      {"$HexaToDec$(26)", 3, "t:26"},
      {"$HexaToDec$(1.5)", -3, ""},
      {"$HexaToDec$()", -4, ""},
      {"$HexaToAscii$(1)", 3, "t:\x01"},
      {"$HexaToAscii$(true)", -3, ""},
      {"$StringToLong$('10')", 3, "i:16/32"},
      {"$StringToLong$(10)", -3, ""},
      {"$HexaToDec$('FFFFFFFF')", 3, "t:2147483647"},
      {"$HexaToDec$('-FFFFFFFF')", 3, "t:-2147483648"},
      {"$HexaToDec$('1F') == '31'", 3, "b:true"},
      {"$HexaToAscii$('414243')", 3, "t:ABC"},
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
      {"1 + 2", 0, 3, -3},
      {"7 / 0", -2, 0, -3},
      {"5 # 2", 0, 1, -3},
      {"6 & 3", 0, 2, -3},
      {"-A", 0, -1, -3},
      {"'a' == 'a'", 1, 1, 1},
      {"1 < 2", 1, 1, -3},
      {"true && false", -3, 0, 2},
      {"!true", -3, 0, 2},
      {"true ? 4 : 5", 0, 4, -3},
      {"$HexaToDec$(1)", -3, 0, -3},
      {"X = 7", 0, 7, -3},
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
