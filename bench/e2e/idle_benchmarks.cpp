// A connected client on a quiet bus: what the driver's threads cost while
// they only wait, and what an application thread costs while it waits in a
// blocking read. Neither may poll faster than the port's read time-out.
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "benchmarks.h"
#include "driver_session.h"
#include "failures.h"
#include "rp1210.h"

namespace vlr::bench {
namespace {

void IdleClient(benchmark::State& state, std::chrono::seconds window,
                bool blockingReader) {
  DriverSession session(false);
  if (!session.Ok()) return Fail(state, session.Error());
  std::atomic<bool> done{false};
  std::atomic<pid_t> readerId{0};
  std::thread reader;
  if (blockingReader) {
    reader = std::thread([&] {
      readerId = CurrentThreadId();
      char buffer[64];
      while (!done) RP1210_ReadMessage(0, buffer, sizeof buffer, 1);
    });
    while (readerId == 0) std::this_thread::yield();
  }
  for (auto _ : state) {
    CpuMeter cpu;
    cpu.AddGroup("driver", session.DriverThreads());
    if (blockingReader) cpu.AddGroup("app", {readerId});
    cpu.Start();
    std::this_thread::sleep_for(window);
    const CpuFigures figures = cpu.Stop();
    state.counters["cpu_ms/s"] = figures.processMsPerSecond;
    for (const CpuShare& share : figures.groups) {
      state.counters[share.group + "_ms/s"] = share.msPerSecond;
    }
  }
  done = true;
  // The blocking read returns at its bound; a disconnect would end it at
  // once, but the session disconnects only after the thread is joined.
  if (reader.joinable()) reader.join();
}

}  // namespace

void RegisterIdleBenchmarks(const RunLength& length) {
  for (const bool blocking : {false, true}) {
    benchmark::RegisterBenchmark(blocking
                                     ? "e2e/idle/connected_client/blocking_read"
                                     : "e2e/idle/connected_client",
                                 IdleClient, length.lineRate / 3, blocking)
        ->Iterations(1)
        ->Unit(benchmark::kSecond)
        ->UseRealTime();
  }
}

}  // namespace vlr::bench
