// The compiled engine as a whole: every result of a large random sample
// pinned, and evaluation from several threads while the variables reload.
// Guards against: any change of status, result or failure reason over the
// sample, a prepared text giving other than its text, a text's entry not giving way to a variable
// of its name, a reader seeing half a reload.
#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "mask_test_support.h"
#include "random_masks.h"

namespace {

// Recorded from the tree-walking engine the compiled one replaced: every
// status, result and failure reason of 20,000 random texts, evaluated twice,
// before and after the variables change; prepared once or given as text.
TEST(EngineTest, RandomTextsGiveRecordedResults) {
  EXPECT_EQ(evaluationDigest(7, 20000, false), 0x0496e3f0a3337e2du);
  EXPECT_EQ(evaluationDigest(7, 20000, true), 0x0496e3f0a3337e2du);
}

// One map holds variables and texts: a text that is a variable's name reads
// the variable, prepared or not, and a variable may take over a text's entry.
TEST(EngineTest, TextsAndVariablesShareNames) {
  SyntaxInterpreter interpreter;
  ExpressionStore& store = *interpreter.getStore();
  store.setVariable("A", 4, 0);
  double result = 0;
  const SyntaxInterpreter::Prepared prepared = interpreter.prepare("1 + 2");
  EXPECT_EQ(interpreter.evaluate("1 + 2", result), 0);
  EXPECT_EQ(result, 3);
  store.setVariable("1 + 2", 5, 0);
  EXPECT_EQ(interpreter.evaluate("1 + 2", result), 0);
  EXPECT_EQ(result, 5);
  EXPECT_EQ(interpreter.evaluate(prepared, result), 0);
  EXPECT_EQ(result, 5);
  result = -9;
  EXPECT_EQ(interpreter.evaluate(interpreter.prepare(nullptr), result), 0);
  EXPECT_EQ(result, -9);
  EXPECT_EQ(interpreter.evaluate("A", result), 0);
  EXPECT_EQ(result, 4);
  EXPECT_EQ(interpreter.evaluate("A = 'x'", result), status::kUnsupported);
  EXPECT_EQ(interpreter.evaluate("A", result), status::kUnsupported);
  EXPECT_EQ(mask::failure(), "the value is a text, not a number");
}

// Readers never see half a reload: A + B is 3 in both sets of variables and
// 2 or 4 in a mix. Meanwhile new texts are compiled and the store grows.
TEST(EngineTest, EvaluatesWhileVariablesReload) {
  SyntaxInterpreter interpreter;
  ExpressionStore& store = *interpreter.getStore();
  const std::vector<std::pair<std::string, long>> sets[] = {{{"A", 1}, {"B", 2}},
                                                            {{"B", 1}, {"A", 2}}};
  store.setVariables(sets[0], 0);
  std::atomic<bool> done{false};
  std::atomic<int> wrong{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t)
    readers.emplace_back([&, t] {
      for (int i = 0; !done || i < 1000; ++i) {
        double sum = 0, truth = 0;
        const std::string fresh = "A + B + 0 * " + std::to_string(t * 1000000 + i);
        if (interpreter.evaluate("A + B", sum) != 0 || sum != 3) ++wrong;
        if (interpreter.evaluate("(A + B) == 3", truth) != 1 || truth != 1) ++wrong;
        if (interpreter.evaluate(fresh.c_str(), sum) != 0 || sum != 3) ++wrong;
      }
    });
  for (int round = 0; round < 400; ++round) {
    store.setVariables(sets[round % 2], 0);
    store.setVariable(("N" + std::to_string(round)).c_str(), round, 0);
  }
  done = true;
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(wrong, 0);
}

}  // namespace
