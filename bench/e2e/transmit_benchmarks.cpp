// Transmitting through the driver: the writer's sustained pace and the
// delay from RP1210_SendMessage to the frame on the line.
#include <benchmark/benchmark.h>

#include <random>
#include <thread>

#include "benchmarks.h"
#include "driver_session.h"
#include "failures.h"
#include "spread.h"
#include "transmit_probe.h"

namespace vlr::bench {
namespace {

using namespace std::chrono_literals;

// The writer takes one frame per 20 ms cycle; waits allow three times that.
constexpr auto kGenerousCycle = 60ms;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

struct Burst {
  size_t onLine = 0;
  bool inOrder = true;
  Clock::time_point first{};
  Clock::time_point last{};
  Spread gapsMs;  // between consecutive frames on the line
};

Burst Summarise(const Instants& arrivals) {
  Burst burst;
  std::vector<double> gaps;
  for (const auto& at : arrivals) {
    if (!at) continue;
    if (burst.onLine == 0) {
      burst.first = *at;
    } else {
      burst.inOrder = burst.inOrder && *at >= burst.last;
      gaps.push_back(Ms(*at - burst.last));
    }
    burst.last = *at;
    ++burst.onLine;
  }
  burst.gapsMs = SpreadOf(std::move(gaps));
  return burst;
}

void ReportBurst(benchmark::State& state, const Burst& burst, uint32_t frames,
                 Clock::time_point start, Clock::time_point queued) {
  state.counters["sent"] = frames;
  state.counters["lost"] = static_cast<double>(frames - burst.onLine);
  state.counters["fps"] = static_cast<double>(burst.onLine - 1) /
                          (Ms(burst.last - burst.first) / 1000);
  state.counters["gap_p50_ms"] = burst.gapsMs.p50;
  state.counters["gap_max_ms"] = burst.gapsMs.max;
  state.counters["first_ms"] = Ms(burst.first - start);
  state.counters["send_call_us"] = Ms(queued - start) * 1000 / frames;
  if (!burst.inOrder) state.SetLabel("frames reached the line out of order");
}

void TransmitBurst(benchmark::State& state, uint32_t frames) {
  for (auto _ : state) {
    DriverSession session(true);
    if (!session.Ok()) {
      Fail(state, session.Error());
      break;
    }
    vlrsim::Recording& line = session.Adapter().Recorded();
    line.Clear();
    const auto start = Clock::now();
    uint32_t refused = 0;
    for (uint32_t i = 0; i < frames; ++i) refused += SendSequenced(i) != 0;
    const auto queued = Clock::now();
    if (refused > 0) {
      Fail(state, "RP1210_SendMessage refused a message");
      break;
    }
    line.WaitForHostMessages(frames, kGenerousCycle * frames + 5s);
    const Burst burst = Summarise(LineArrivals(line.HostMessages(), frames));
    if (burst.onLine < 2) {
      Fail(state, "fewer than two frames reached the line");
      break;
    }
    ReportBurst(state, burst, frames, start, queued);
    state.SetIterationTime(Ms(burst.last - start) / 1000);
  }
}

void TransmitDelay(benchmark::State& state) {
  DriverSession session(true);
  if (!session.Ok()) return Fail(state, session.Error());
  vlrsim::Recording& line = session.Adapter().Recorded();
  line.Clear();
  // A random pause before each send spreads the calls over the writer's
  // cycle, as an application's sends are.
  std::mt19937 random(1210);
  std::uniform_int_distribution<int> pauseUs(0, 19999);
  std::vector<double> delays;
  uint32_t sequence = 0;
  for (auto _ : state) {
    std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
    const auto start = Clock::now();
    if (SendSequenced(sequence) != 0) {
      Fail(state, "RP1210_SendMessage refused");
      break;
    }
    line.WaitForHostMessages(sequence + 1, 2s);
    const auto at = LineArrivals(line.HostMessages(), sequence + 1)[sequence];
    if (!at) {
      Fail(state, "a frame did not reach the line within 2 s");
      break;
    }
    delays.push_back(Ms(*at - start));
    state.SetIterationTime(delays.back() / 1000);
    ++sequence;
  }
  const Spread spread = SpreadOf(delays);
  state.counters["p50_ms"] = spread.p50;
  state.counters["p99_ms"] = spread.p99;
  state.counters["max_ms"] = spread.max;
}

}  // namespace

void RegisterTransmitBenchmarks(const RunLength& length) {
  benchmark::RegisterBenchmark("e2e/transmit/burst", TransmitBurst,
                               length.transmitBurst)
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("e2e/transmit/send_to_line", TransmitDelay)
      ->Iterations(length.transmitSamples)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
}

}  // namespace vlr::bench
