// Value nodes and variable references: conversions between kinds, setters.
// Guards against: an accessor answering for a kind it cannot read or writing
// its out value on refusal, a real not truncated to 32 bits, a setter changing
// a variable's kind, a reference lost when the store grows.
#include "mask/VariableExpression.h"
#include "mask_test_support.h"

namespace {

using namespace status;

TEST(ValuesTest, Accessors) {
  // Statuses of getString, getDouble, getBool and getLong, and what they read.
  const struct {
    std::shared_ptr<ValueExpression> node;
    int stringStatus, doubleStatus, boolStatus, longStatus;
    std::string text;
    double number;
    int32_t integer;
  } rows[] = {
      {std::make_shared<BoolExpression>(true), kUnsupported, kTrue, kTrue, kTrue, "", 1.0, 1},
      {std::make_shared<CharExpression>("ab"), kOk, kUnsupported, kUnsupported, kUnsupported, "ab",
       0, 0},
      {std::make_shared<DoubleExpression>(-2.7), kUnsupported, kOk, kUnsupported, kOk, "", -2.7,
       -2},
      {std::make_shared<DoubleExpression>(1e12), kUnsupported, kOk, kUnsupported, kOk, "", 1e12,
       INT32_MIN},
      {std::make_shared<LongExpression>(-1), kOk, kOk, kUnsupported, kOk, "FFFFFFFF", -1, -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(describe(row.node.get()));
    std::string text = "untouched";
    double number = 99;
    bool truth = false;
    int32_t integer = 99;
    EXPECT_EQ(row.node->getString(text), row.stringStatus);
    EXPECT_EQ(text, row.stringStatus == kOk ? row.text : "untouched");
    EXPECT_EQ(row.node->getDouble(number), row.doubleStatus);
    EXPECT_EQ(number, row.doubleStatus >= 0 ? row.number : 99);
    EXPECT_EQ(row.node->getBool(truth), row.boolStatus);
    EXPECT_EQ(row.node->getLong(integer), row.longStatus);
    EXPECT_EQ(integer, row.longStatus >= 0 ? row.integer : 99);
  }
  // A text is cut at its first NUL byte; a real prints in 24 columns.
  EXPECT_EQ(describe(std::make_unique<CharExpression>(std::string("a\0b", 3)).get()), "t:a");
  std::wstring form;
  EXPECT_EQ(DoubleExpression(-0.25).toString(form), 0);
  EXPECT_EQ(form, L"           -0.2500000000");
}

// Setters change the variable's value, by its kind; a copy still reads the store.
TEST(ValuesTest, VariableReference) {
  ExpressionStore store;
  std::string name = "N";
  store.setVariable(name.c_str(), 0x1'0000'001FL, 0);  // the low 32 bits, under a copied key
  name[0] = 'M';
  VariableExpression n("N", &store);
  VariableExpression missing("M", &store);
  int32_t integer = 0;
  EXPECT_EQ(n.getLong(integer), 0);
  EXPECT_EQ(integer, 31);
  EXPECT_EQ(missing.getLong(integer), kUndefinedVariable);
  EXPECT_EQ(missing.assign(std::make_unique<LongExpression>(1)), kUndefinedVariable);
  EXPECT_EQ(store.find("M"), nullptr);

  std::unique_ptr<Expression> copy = n.clone();
  EXPECT_EQ(n.setDouble(7.9), 0);
  EXPECT_EQ(describe(store.variableNode("N").get()), "i:7/0");
  EXPECT_EQ(n.setString("x"), kTypeError);
  EXPECT_EQ(n.assign(std::make_unique<CharExpression>("t")), 0);
  EXPECT_EQ(n.setString("u"), 0);
  EXPECT_EQ(n.setLong(1), kTypeError);
  std::string text;
  EXPECT_EQ(copy->getString(text), 0);
  EXPECT_EQ(text, "u");

  // The store grows many times over; a reference taken before still reads its
  // variable, and every name still finds its own value.
  for (long i = 0; i < 20000; ++i) store.setVariable(("V" + std::to_string(i)).c_str(), i, 0);
  store.setVariable("N", 5, 0);
  EXPECT_EQ(n.getLong(integer), 0);
  EXPECT_EQ(integer, 5);
  EXPECT_EQ(describe(store.variableNode("V19999").get()), "i:19999/0");
}

}  // namespace
