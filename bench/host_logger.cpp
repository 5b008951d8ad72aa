// Cost of the host logger: a line below the level, a formatted line, a long line.
#include <benchmark/benchmark.h>

#include <string>

#include "MakoraLog_Static.h"
#include "StandinLog.h"

namespace {

void BM_TraceBelowLevel(benchmark::State& state) {
  StandinLog::setLevel(MakoraLog_Static::Information);
  for (auto _ : state) {
    if (MakoraLog_Static::isEnabled(MakoraLog_Static::Trace))
      MakoraLog_Static::logTrace_static(L"C", L"M", L"HttpDaemon", L"[%s]: Method started.",
                                        L"HttpDaemon::svc()");
  }
}
BENCHMARK(BM_TraceBelowLevel);

void BM_InformationLine(benchmark::State& state) {
  StandinLog::setStderr(false);
  StandinLog::setLevel(MakoraLog_Static::Information);
  for (auto _ : state)
    MakoraLog_Static::logInformation_static(L"C", L"M", L"HttpDaemon", L"[%s]: %S %d",
                                            L"HttpDaemon::svc()", "GET /readSignal", 200);
  StandinLog::setStderr(true);
}
BENCHMARK(BM_InformationLine)->ThreadRange(1, 2);

void BM_LongLine(benchmark::State& state) {
  StandinLog::setStderr(false);
  const std::wstring text(10000, L'x');
  for (auto _ : state)
    MakoraLog_Static::logInformation_static(L"C", L"M", L"Utilities", L"%s", text.c_str());
  StandinLog::setStderr(true);
}
BENCHMARK(BM_LongLine);

}  // namespace

BENCHMARK_MAIN();
