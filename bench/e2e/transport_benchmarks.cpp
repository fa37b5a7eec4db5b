// The J1939 transport on the line: how far apart a broadcast transfer's
// data packets reach the adapter, and how long a connection-mode transfer
// of 1785 bytes takes to a node that answers at once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "benchmarks.h"
#include "driver_session.h"
#include "failures.h"
#include "rp1210.h"

namespace vlr::bench {
namespace {

using namespace std::chrono_literals;
using vlrsim::Clock;

constexpr uint8_t kEngine = 0x00;
constexpr uint8_t kTool = 0xF9;
constexpr uint8_t kDataTransferPf = 0xEB;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

std::vector<uint8_t> LongMessage(uint8_t destination, size_t dataBytes) {
  std::vector<uint8_t> m = {0x00, 0xEF, 0x00, 6, kTool, destination};
  for (size_t i = 0; i < dataBytes; ++i) m.push_back(static_cast<uint8_t>(i));
  if (destination == 0xFF) m[1] = 0xFF;  // a broadcast group
  return m;
}

short SendBlocking(std::vector<uint8_t>& message) {
  return RP1210_SendMessage(0, reinterpret_cast<char*>(message.data()),
                            static_cast<short>(message.size()), 0, 1);
}

// A 100-byte broadcast (15 data packets) at the default spacing; the gaps
// between the packets' arrivals at the adapter.
void BroadcastSpacing(benchmark::State& state, SessionSetup setup) {
  DriverSession session(setup);
  if (!session.Ok()) return Fail(state, session.Error());
  std::vector<double> gaps;
  for (auto _ : state) {
    session.Adapter().Recorded().Clear();
    auto message = LongMessage(0xFF, 100);
    if (SendBlocking(message) != 0) return Fail(state, "broadcast not sent");
    session.Adapter().Recorded().WaitForHostMessages(16, 5s);
    std::vector<Clock::time_point> packets;
    for (const auto& f : session.Adapter().Recorded().HostMessages()) {
      if (((f.id >> 16) & 0xFF) == kDataTransferPf) packets.push_back(f.at);
    }
    for (size_t i = 1; i < packets.size(); ++i) {
      gaps.push_back(Ms(packets[i] - packets[i - 1]));
    }
  }
  if (gaps.empty()) return Fail(state, "no data packets on the line");
  std::sort(gaps.begin(), gaps.end());
  state.counters["gap_min_ms"] = gaps.front();
  state.counters["gap_p50_ms"] = gaps[gaps.size() / 2];
  state.counters["gap_max_ms"] = gaps.back();
}

// 1785 bytes by RTS/CTS to an engine that answers at once, 16 packets a
// window: the time of the blocking send.
void ConnectionTransfer(benchmark::State& state, SessionSetup setup) {
  DriverSession session(setup);
  if (!session.Ok()) return Fail(state, session.Error());
  vlrsim::EcuOptions engine;
  engine.address = kEngine;
  engine.name = 0xA00000;
  engine.claim = false;
  session.Adapter().AddEcu(engine);
  std::vector<double> took;
  for (auto _ : state) {
    auto message = LongMessage(kEngine, 1785);
    const auto start = Clock::now();
    if (SendBlocking(message) != 0) return Fail(state, "transfer failed");
    took.push_back(Ms(Clock::now() - start));
    state.SetIterationTime(took.back() / 1000.0);
  }
  std::sort(took.begin(), took.end());
  state.counters["p50_ms"] = took[took.size() / 2];
  state.counters["max_ms"] = took.back();
}

template <class... Args>
benchmark::internal::Benchmark* Register(const std::string& name,
                                         Args&&... args) {
  return benchmark::RegisterBenchmark(name.c_str(), std::forward<Args>(args)...)
      ->Unit(benchmark::kMillisecond);
}

}  // namespace

void RegisterTransportBenchmarks(const RunLength& length) {
  for (const auto family : {vlrsim::Family::k2xx, vlrsim::Family::k1xx}) {
    const std::string device = family == vlrsim::Family::k2xx ? "201" : "101";
    SessionSetup line;
    line.family = family;
    line.linePaced = true;
    Register("e2e/transport/bam_spacing/" + device + "/line", BroadcastSpacing,
             line)
        ->Iterations(length.broadcastRepeats);
    for (const bool paced : {false, true}) {
      SessionSetup setup;
      setup.family = family;
      setup.linePaced = paced;
      Register(
          "e2e/transport/rts_cts_1785/" + device + (paced ? "/line" : "/pty"),
          ConnectionTransfer, setup)
          ->Iterations(length.connectionTransfers)
          ->UseManualTime();
    }
  }
}

}  // namespace vlr::bench
