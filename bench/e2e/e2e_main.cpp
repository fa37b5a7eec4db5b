// End-to-end benchmarks of the driver against the simulated adapter on a
// pseudo-terminal, through the exported functions only. Figures, never
// pass/fail; the exit status is non-zero only when a benchmark could not
// run at all.
//
//   vlr_bench_e2e                     full run (about a minute and a half)
//   vlr_bench_e2e --e2e_seconds=2     short run for smoke testing
//   VLR_BENCH_E2E_SECONDS=2 vlr_bench_e2e
//
// Google Benchmark's own flags (--benchmark_filter, --benchmark_out, ...)
// apply as usual.
#include <benchmark/benchmark.h>

#include "benchmarks.h"
#include "failures.h"
#include "run_length.h"

int main(int argc, char** argv) {
  using namespace vlr::bench;
  const int shortSeconds = TakeShortRunSeconds(argc, argv);
  const RunLength length =
      shortSeconds > 0 ? RunLength::Short(shortSeconds) : RunLength::Full();
  RegisterCommandBenchmarks(length);
  RegisterTransmitBenchmarks(length);
  RegisterReceiveBenchmarks(length);
  RegisterIdleBenchmarks(length);
  RegisterComparisonBenchmarks(length);
  RegisterTransportBenchmarks(length);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return AnyFailed() ? 1 : 0;
}
