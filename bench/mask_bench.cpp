// Cost of one mask evaluation: cached masks over variables, the first
// evaluation of a new text, and a constant text once cached.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "mask/ExpressionStore.h"
#include "mask/SyntaxInterpreter.h"

namespace {

void loadVariables(SyntaxInterpreter& interpreter) {
  ExpressionStore* store = interpreter.getStore();
  store->setVariable("A", 1, 0);
  store->setVariable("B", 2, 0);
  store->setVariable("V", 31, 0);
  store->setVariable("W", 8, 0);
}

void evaluateCached(benchmark::State& state, const char* text) {
  SyntaxInterpreter interpreter;
  loadVariables(interpreter);
  double result = 0;
  const int status = interpreter.evaluate(text, result);
  for (auto _ : state) {
    benchmark::DoNotOptimize(interpreter.evaluate(text, result));
    benchmark::DoNotOptimize(result);
  }
  state.SetLabel("status " + std::to_string(status));
}

void BM_CachedTwoVariables(benchmark::State& state) {
  evaluateCached(state, "(A == 1) && (B == 2)");
}
BENCHMARK(BM_CachedTwoVariables);

// As written this groups as V-text == ('1F' || ...), a type error (-2).
void BM_CachedFunctionAndBitTest(benchmark::State& state) {
  evaluateCached(state, "$HexaToString$(V) == '1F' || (W # 3) == 1");
}
BENCHMARK(BM_CachedFunctionAndBitTest);

// The same mask parenthesised the way it is meant: true.
void BM_CachedFunctionAndBitTestGrouped(benchmark::State& state) {
  evaluateCached(state, "($HexaToString$(V) == '1F') || ((W # 3) == 1)");
}
BENCHMARK(BM_CachedFunctionAndBitTestGrouped);

void BM_ConstantAfterCaching(benchmark::State& state) {
  evaluateCached(state, "((1 + 2) * 3 == 9) && ($StringToLong$('1F') == 31)");
}
BENCHMARK(BM_ConstantAfterCaching);

// Parse and evaluate a text never seen: every text is distinct, and the
// interpreter is renewed per batch so the store does not grow without bound.
void BM_FirstEvaluation(benchmark::State& state) {
  constexpr int kBatch = 1000;
  std::vector<std::string> texts(kBatch);
  for (int i = 0; i < kBatch; ++i) {
    char text[64];
    std::snprintf(text, sizeof(text), "(A == %d) && ($HexaToString$(V) == '1F')", i);
    texts[i] = text;
  }
  auto interpreter = std::make_unique<SyntaxInterpreter>();
  loadVariables(*interpreter);
  int next = 0;
  double result = 0;
  for (auto _ : state) {
    if (next == kBatch) {
      state.PauseTiming();
      interpreter = std::make_unique<SyntaxInterpreter>();
      loadVariables(*interpreter);
      next = 0;
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(interpreter->evaluate(texts[next++].c_str(), result));
  }
}
BENCHMARK(BM_FirstEvaluation);

}  // namespace

BENCHMARK_MAIN();
