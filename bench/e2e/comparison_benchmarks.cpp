// The three figures a public comparison of commercial RP1210 adapters gave
// (see BENCHMARKS.md): a round trip to a node that answers at once, a batch
// sent as fast as the driver takes it, and a batch received as fast as the
// other node sends it. Each on the pseudo-terminal as it is (no rate, so
// only the driver's own cost shows) and on a line paced at the family's
// rate, for a 2xx and a 1xx adapter.
#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <string>
#include <thread>

#include "benchmarks.h"
#include "driver_session.h"
#include "failures.h"
#include "ping_probe.h"
#include "receive_run.h"
#include "rp1210.h"
#include "spread.h"
#include "transmit_probe.h"

namespace vlr::bench {
namespace {

using namespace std::chrono_literals;

constexpr auto kAnswerWait = 2s;
// Far above one frame per 20 ms, the slowest writer this driver had.
constexpr auto kGenerousFrameTime = 60ms;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// When the answer was read, or nothing when none came within the wait.
std::optional<Clock::time_point> ReadAnswer() {
  std::array<char, 600> buffer{};
  const auto deadline = Clock::now() + kAnswerWait;
  while (Clock::now() < deadline) {
    const short n = RP1210_ReadMessage(0, buffer.data(),
                                       static_cast<short>(buffer.size()), 1);
    if (n < 0) return std::nullopt;
    const auto read = std::span(reinterpret_cast<uint8_t*>(buffer.data()),
                                static_cast<size_t>(n));
    if (n > 0 && IsAnswer(read)) return Clock::now();
  }
  return std::nullopt;
}

void Ping(benchmark::State& state, SessionSetup setup) {
  setup.answerRequests = true;
  DriverSession session(setup);
  if (!session.Ok()) return Fail(state, session.Error());
  // A random pause before each request, as an application's requests come
  // at any point of the driver's own timing.
  std::mt19937 random(1210);
  std::uniform_int_distribution<int> pauseUs(0, 19999);
  std::vector<double> trips;
  for (auto _ : state) {
    std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
    const auto start = Clock::now();
    if (SendRequest() != 0) return Fail(state, "RP1210_SendMessage refused");
    const auto answered = ReadAnswer();
    if (!answered) return Fail(state, "no answer read within 2 s");
    trips.push_back(Ms(*answered - start));
    state.SetIterationTime(trips.back() / 1000);
  }
  const Spread spread = SpreadOf(trips);
  state.counters["p50_ms"] = spread.p50;
  state.counters["p99_ms"] = spread.p99;
  state.counters["max_ms"] = spread.max;
}

// Sends frames 0 .. count-1, each as soon as the driver's queue takes it;
// how often the queue was full, or nothing when a send failed otherwise.
std::optional<uint32_t> SendAsFastAsTaken(uint32_t count) {
  uint32_t full = 0;
  for (uint32_t i = 0; i < count; ++i) {
    for (;;) {
      const short result = SendSequenced(i);
      if (result == 0) break;
      if (result != ERR_TX_QUEUE_FULL) return std::nullopt;
      ++full;
      std::this_thread::sleep_for(100us);
    }
  }
  return full;
}

// The frames per second a line at the family's rate carries, for frames
// the length of `frame`.
double LineFrameRate(vlrsim::Family family, const vlrsim::HostFrame& frame) {
  return vlrsim::ConnectedBaud(family) / 10.0 /
         static_cast<double>(frame.raw.size());
}

void Transmit(benchmark::State& state, SessionSetup setup, uint32_t frames) {
  for (auto _ : state) {
    DriverSession session(setup);
    if (!session.Ok()) return Fail(state, session.Error());
    vlrsim::Recording& line = session.Adapter().Recorded();
    line.Clear();
    const auto full = SendAsFastAsTaken(frames);
    if (!full) return Fail(state, "RP1210_SendMessage failed");
    line.WaitForHostMessages(frames, kGenerousFrameTime * frames + 5s);
    const auto messages = line.HostMessages();
    const Instants arrivals = LineArrivals(messages, frames);
    std::vector<Clock::time_point> seen;
    for (const auto& at : arrivals) {
      if (at) seen.push_back(*at);
    }
    if (seen.size() < 2) return Fail(state, "fewer than two frames arrived");
    const double seconds =
        std::chrono::duration<double>(seen.back() - seen.front()).count();
    state.SetIterationTime(seconds);
    state.counters["sent"] = frames;
    state.counters["lost"] = frames - static_cast<double>(seen.size());
    state.counters["fps"] = static_cast<double>(seen.size() - 1) / seconds;
    state.counters["line_fps"] = LineFrameRate(setup.family, messages.front());
    state.counters["queue_full"] = *full;
    if (!std::ranges::is_sorted(seen)) state.SetLabel("out of order");
  }
}

void Receive(benchmark::State& state, ReceivePlan plan) {
  for (auto _ : state) {
    std::string error;
    const auto figures = RunReceive(plan, error);
    if (!figures) return Fail(state, error);
    if (figures->read == 0) return Fail(state, "no frame was read");
    state.SetIterationTime(figures->windowSeconds);
    state.counters["sent"] = figures->sent;
    state.counters["lost"] = figures->sent - figures->read;
    // Frames the simulator could not put on the line whole, because the
    // driver left the pseudo-terminal full: a UART would overrun.
    state.counters["line_lost"] = figures->sent - figures->onLine;
    state.counters["line_fps"] = figures->lineFps;
    state.counters["read_fps"] = figures->readFps;
    state.counters["p50_ms"] = figures->latencyMs.p50;
    if (figures->outOfOrder + figures->duplicates > 0) {
      state.SetLabel("out of order or repeated");
    }
  }
}

template <typename... Args>
benchmark::internal::Benchmark* Register(const std::string& name,
                                         Args&&... args) {
  return benchmark::RegisterBenchmark(name.c_str(), std::forward<Args>(args)...)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
}

void RegisterFor(vlrsim::Family family, bool paced, const RunLength& length) {
  const std::string where =
      std::string(family == vlrsim::Family::k2xx ? "201" : "101") +
      (paced ? "/line" : "/pty");
  const SessionSetup setup{.family = family, .linePaced = paced};
  Register("e2e/compare/ping/" + where, Ping, setup)
      ->Iterations(length.pingSamples);
  Register("e2e/compare/tx/" + where, Transmit, setup, length.transmitBatch)
      ->Iterations(1);
  ReceivePlan plan{
      .throttle = false,
      .frames = paced ? length.receiveBatchPaced : length.receiveBatchUnpaced,
      .family = family,
      .linePaced = paced};
  Register("e2e/compare/rx/" + where, Receive, plan)->Iterations(1);
}

}  // namespace

void RegisterComparisonBenchmarks(const RunLength& length) {
  for (const auto family : {vlrsim::Family::k2xx, vlrsim::Family::k1xx}) {
    for (const bool paced : {false, true}) RegisterFor(family, paced, length);
  }
}

}  // namespace vlr::bench
