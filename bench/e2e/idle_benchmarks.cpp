// A connected client on a quiet bus: what the driver's threads cost while
// they only wait. Nothing in them may poll faster than its read time-out.
#include <benchmark/benchmark.h>

#include <thread>

#include "benchmarks.h"
#include "driver_session.h"
#include "failures.h"

namespace vlr::bench {
namespace {

void IdleClient(benchmark::State& state, std::chrono::seconds window) {
  DriverSession session(false);
  if (!session.Ok()) return Fail(state, session.Error());
  for (auto _ : state) {
    CpuMeter cpu;
    cpu.AddGroup("driver", session.DriverThreads());
    cpu.Start();
    std::this_thread::sleep_for(window);
    const CpuFigures figures = cpu.Stop();
    state.counters["cpu_ms/s"] = figures.processMsPerSecond;
    for (const CpuShare& share : figures.groups) {
      state.counters[share.group + "_ms/s"] = share.msPerSecond;
    }
  }
}

}  // namespace

void RegisterIdleBenchmarks(const RunLength& length) {
  benchmark::RegisterBenchmark("e2e/idle/connected_client", IdleClient,
                               length.lineRate / 3)
      ->Iterations(1)
      ->Unit(benchmark::kSecond)
      ->UseRealTime();
}

}  // namespace vlr::bench
