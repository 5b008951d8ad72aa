// Value nodes and variable references: accessors, setters, copies and
// printable forms.
#include "MaskTestSupport.h"
#include "mask/AddExpression.h"
#include "mask/VariableExpression.h"

namespace {

struct AccessorRow {
  std::unique_ptr<ValueExpression> node;
  int stringStatus;
  std::string text;
  int doubleStatus;
  double number;
  int boolStatus;
  int longStatus;
  int32_t integer;
};

TEST(ValuesTest, Accessors) {
  std::vector<AccessorRow> rows;
  rows.push_back({std::make_unique<BoolExpression>(true), -3, "", 1, 1.0, 1, 1, 1});
  rows.push_back({std::make_unique<BoolExpression>(false), -3, "", 2, 0.0, 2, 2, 0});
  rows.push_back({std::make_unique<CharExpression>("ab"), 0, "ab", -3, 0, -3, -3, 0});
  rows.push_back({std::make_unique<DoubleExpression>(-2.7), -3, "", 0, -2.7, -3, 0, -2});
  rows.push_back({std::make_unique<DoubleExpression>(1e12), -3, "", 0, 1e12, -3, 0, INT32_MIN});
  rows.push_back({std::make_unique<LongExpression>(255), 0, "FF", 0, 255, -3, 0, 255});
  rows.push_back({std::make_unique<LongExpression>(-1), 0, "FFFFFFFF", 0, -1, -3, 0, -1});
  for (const AccessorRow& row : rows) {
    std::wstring form;
    row.node->toString(form);
    SCOPED_TRACE(Platform::wideToAnsi(form.c_str()));
    std::string text = "untouched";
    double number = 99;
    bool truth = false;
    int32_t integer = 99;
    EXPECT_EQ(row.node->getString(text), row.stringStatus);
    EXPECT_EQ(text, row.stringStatus == 0 ? row.text : "untouched");
    EXPECT_EQ(row.node->getDouble(number), row.doubleStatus);
    EXPECT_EQ(number, row.doubleStatus >= 0 ? row.number : 99);
    EXPECT_EQ(row.node->getBool(truth), row.boolStatus);
    EXPECT_EQ(row.node->getLong(integer), row.longStatus);
    EXPECT_EQ(integer, row.longStatus >= 0 ? row.integer : 99);
    // A value evaluates to a copy of itself, constant.
    std::unique_ptr<Expression> copy;
    EXPECT_EQ(row.node->evaluate(copy, true), 3);
    EXPECT_EQ(describe(copy.get()), describe(row.node.get()));
    EXPECT_NE(copy.get(), row.node.get());
  }
}

TEST(ValuesTest, Setters) {
  BoolExpression b(false);
  CharExpression c("x");
  DoubleExpression d(0);
  LongExpression l(0, 7);
  EXPECT_EQ(b.setBool(true), 0);
  EXPECT_EQ(describe(&b), "b:true");
  EXPECT_EQ(b.setLong(1), -3);
  EXPECT_EQ(c.setString("yz"), 0);
  EXPECT_EQ(describe(&c), "t:yz");
  EXPECT_EQ(c.setDouble(1), -3);
  EXPECT_EQ(d.setLong(4), 0);
  EXPECT_EQ(describe(&d), "r:4");
  EXPECT_EQ(d.setDouble(-1.5), 0);
  EXPECT_EQ(d.setBool(true), -3);
  EXPECT_EQ(l.setDouble(-2.9), 0);
  EXPECT_EQ(describe(&l), "i:-2/7");
  EXPECT_EQ(l.setString("1"), -3);
  // A text is cut at its first NUL byte.
  EXPECT_EQ(describe(std::make_unique<CharExpression>(std::string("a\0b", 3)).get()), "t:a");
}

TEST(ValuesTest, PrintableForms) {
  struct Row {
    std::unique_ptr<Expression> node;
    const wchar_t* form;
  };
  std::vector<Row> rows;
  rows.push_back({std::make_unique<DoubleExpression>(1.5), L"            1.5000000000"});
  rows.push_back({std::make_unique<DoubleExpression>(-0.25), L"           -0.2500000000"});
  rows.push_back({std::make_unique<LongExpression>(-5), L"-5"});
  rows.push_back({std::make_unique<BoolExpression>(false), L"false"});
  rows.push_back({std::make_unique<CharExpression>("caf\xc3\xa9"), L"caf\u00e9"});
  for (const Row& row : rows) {
    std::wstring form;
    EXPECT_EQ(row.node->toString(form), 0);
    EXPECT_EQ(form, row.form);
  }
}

TEST(ValuesTest, VariableReference) {
  ExpressionStore store;
  store.setVariable("N", 31, 0);
  VariableExpression n("N", &store);
  VariableExpression missing("M", &store);
  std::unique_ptr<Expression> value;
  EXPECT_EQ(n.evaluate(value, true), 0);  // never constant
  EXPECT_EQ(describe(value.get()), "i:31/0");
  EXPECT_EQ(missing.evaluate(value, true), -5);
  int32_t integer = 0;
  EXPECT_EQ(missing.getLong(integer), -5);
  EXPECT_EQ(missing.assign(std::make_unique<LongExpression>(1)), -5);
  EXPECT_EQ(store.find("M"), nullptr);

  // Setters change the bound node in place, by its kind.
  EXPECT_EQ(n.setDouble(7.9), 0);
  EXPECT_EQ(describe(store.find("N")), "i:7/0");
  EXPECT_EQ(n.setString("x"), -2);
  EXPECT_EQ(n.setBool(true), -2);
  EXPECT_EQ(n.assign(std::make_unique<CharExpression>("t")), 0);
  EXPECT_EQ(describe(store.find("N")), "t:t");
  EXPECT_EQ(n.setString("u"), 0);
  EXPECT_EQ(describe(store.find("N")), "t:u");
  EXPECT_EQ(n.setLong(1), -2);

  // A variable bound to something other than a value is a type error.
  store.rebind("T", std::make_unique<AddExpression>(std::make_unique<LongExpression>(1),
                                                    std::make_unique<LongExpression>(2)));
  VariableExpression t("T", &store);
  EXPECT_EQ(t.evaluate(value, false), -2);
  EXPECT_EQ(store.rebind("T", nullptr), -4);

  std::unique_ptr<Expression> copy = n.clone();
  std::wstring form;
  EXPECT_EQ(copy->toString(form), 0);
  EXPECT_EQ(form, L"N");
  EXPECT_EQ(copy->evaluate(value, false), 0);
  EXPECT_EQ(describe(value.get()), "t:u");
}

TEST(ValuesTest, StoreCopiesItsKeys) {
  ExpressionStore store;
  {
    std::string name = "Temp";
    store.setVariable(name.c_str(), 1, 0);
    name[0] = 'X';
  }
  EXPECT_EQ(describe(store.find("Temp")), "i:1/0");
}

}  // namespace
