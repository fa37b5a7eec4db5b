// Receiving through the driver: at the line rate, offered faster than any
// serial line could, and with the application not reading at all.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#include "benchmarks.h"
#include "failures.h"
#include "receive_run.h"
#include "sequenced_traffic.h"
#include "stalled_reader_run.h"

namespace vlr::bench {
namespace {

using namespace std::chrono_literals;

void ReportReceive(benchmark::State& state, const ReceiveFigures& f) {
  state.counters["sent"] = f.sent;
  state.counters["lost"] = f.sent - f.read;
  state.counters["line_lost"] = f.sent - f.onLine;
  state.counters["p50_ms"] = f.latencyMs.p50;
  state.counters["p99_ms"] = f.latencyMs.p99;
  state.counters["max_ms"] = f.latencyMs.max;
  state.counters["line_fps"] = f.lineFps;
  state.counters["read_fps"] = f.readFps;
  state.counters["cpu_ms/s"] = f.cpu.processMsPerSecond;
  for (const CpuShare& share : f.cpu.groups) {
    state.counters[share.group + "_ms/s"] = share.msPerSecond;
  }
  if (f.outOfOrder + f.duplicates + f.failedReads + f.droppedBytes > 0) {
    state.SetLabel(std::to_string(f.outOfOrder) + " out of order, " +
                   std::to_string(f.duplicates) + " repeated, " +
                   std::to_string(f.failedReads) + " failed reads, " +
                   std::to_string(f.droppedBytes) +
                   " bytes dropped by the line");
  }
}

void Receive(benchmark::State& state, ReceivePlan plan) {
  for (auto _ : state) {
    std::string error;
    const auto figures = RunReceive(plan, error);
    if (!figures) {
      Fail(state, error);
      break;
    }
    if (figures->read == 0) {
      Fail(state, "no frame was read");
      break;
    }
    state.SetIterationTime(figures->windowSeconds);
    ReportReceive(state, *figures);
  }
}

void StalledReader(benchmark::State& state, uint32_t frames) {
  for (auto _ : state) {
    std::string error;
    const auto start = Clock::now();
    const auto figures = RunStalledReader(frames, error);
    if (!figures) {
      Fail(state, error);
      break;
    }
    state.SetIterationTime(
        std::chrono::duration<double>(Clock::now() - start).count());
    state.counters["sent"] = figures->sent;
    state.counters["line_lost"] = figures->sent - figures->onLine;
    state.counters["kept"] = figures->kept;
    state.counters["lost"] = figures->sent - figures->kept;
    state.counters["oldest_kept"] = static_cast<double>(figures->oldestKept);
    state.counters["newest_kept"] = static_cast<double>(figures->newestKept);
    if (!figures->inOrder) state.SetLabel("kept frames out of order");
  }
}

template <typename... Args>
void Register(const std::string& name, Args&&... args) {
  benchmark::RegisterBenchmark(name.c_str(), std::forward<Args>(args)...)
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
}

}  // namespace

void RegisterReceiveBenchmarks(const RunLength& length) {
  const auto lineRateFrames =
      static_cast<uint32_t>(length.lineRate / kLineRateInterval);
  Register("e2e/receive/line_rate", Receive,
           ReceivePlan{true, lineRateFrames, kLineRateInterval});
  for (const uint32_t fps : {1000u, 2000u, 5000u, 10000u, 20000u}) {
    const auto frames = static_cast<uint32_t>(fps * length.sweepStep.count());
    Register("e2e/receive/unthrottled/offered_fps:" + std::to_string(fps),
             Receive,
             ReceivePlan{false, frames, std::chrono::nanoseconds(1s) / fps});
  }
  Register("e2e/receive/unthrottled/flood", Receive,
           ReceivePlan{false, length.floodFrames, 0ns});
  for (const uint32_t frames : {3000u, 3001u, 6000u}) {
    Register("e2e/receive/reader_stalled/frames:" + std::to_string(frames),
             StalledReader, frames);
  }
}

}  // namespace vlr::bench
