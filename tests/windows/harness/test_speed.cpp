// Ping, transmit and idle cost of the DLL under Wine against the simulated
// adapter, measured as bench/e2e measures the shared library on Linux:
//
// - ping: a request for a parameter group that the simulated node answers
//   at once; the time from RP1210_SendMessage to the return of the blocking
//   RP1210_ReadMessage that brings the answer (timed in rp1210_run.exe);
// - TX: numbered frames handed to RP1210_SendMessage as fast as it takes
//   them; frames per second from the first to the last reaching the
//   simulator;
// - idle: CPU of the connected client's driver threads, of the whole Wine
//   process and of the prefix's wineserver while nothing travels.
//
// For 201 and 101, on the bare pseudo-terminal and on the line-paced
// simulator. The figures go to the output for BENCHMARKS.md; the checks are
// only that every exchange completed and every frame arrived in order.
// VLR_WINE_BENCH_SAMPLES (pings, default 5), VLR_WINE_BENCH_FRAMES (TX
// batch, default 50) and VLR_WINE_BENCH_IDLE_S (default 1) set the length.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "cpu_time.h"
#include "wine_driver_test.h"

namespace winetest {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

int Setting(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr ? std::max(1, std::atoi(text)) : fallback;
}

// Engine hours (PGN FEE5) requested from the engine (0) by F9: the
// application's J1939 layout, PGN least significant byte first.
constexpr char kRequest[] = "00EA0006F900E5FE00";
constexpr uint32_t kAnswerId = 0x18FEE500;
// CCVS (PGN FEF1) from 00 to all, priority 6: the TX frames' header.
constexpr char kTxHeader[] = "F1FE000600FF";
constexpr uint32_t kTxId = 0x18FEF100;

bool IsRequest(const vlrsim::HostFrame& frame) {
  return frame.kind == vlrsim::HostFrame::Kind::kMessage &&
         frame.bus == vlrsim::Bus::kJ1939 && (frame.id >> 16 & 0xFF) == 0xEA &&
         frame.data.size() == 3 && frame.data[0] == 0xE5 &&
         frame.data[1] == 0xFE && frame.data[2] == 0x00;
}

// The number a TX frame carries, when it is one (see the "burst" step).
std::optional<uint32_t> NumberOf(const vlrsim::HostFrame& frame) {
  if (frame.bus != vlrsim::Bus::kJ1939 || frame.id != kTxId ||
      frame.data.size() != 8) {
    return std::nullopt;
  }
  uint32_t n = 0;
  for (int i = 0; i < 4; ++i) {
    if (static_cast<uint8_t>(~frame.data[i]) != frame.data[4 + i]) {
      return std::nullopt;
    }
    n = n << 8 | frame.data[i];
  }
  return n;
}

struct Percentiles {
  double p50 = 0, p99 = 0, max = 0;
};

// Nearest rank, so every figure is one that was measured.
Percentiles Of(std::vector<double> v) {
  if (v.empty()) return {};
  std::sort(v.begin(), v.end());
  auto rank = [&](double q) {
    const auto r =
        static_cast<size_t>(std::ceil(q * static_cast<double>(v.size())));
    return v[std::max<size_t>(r, 1) - 1];
  };
  return {rank(0.5), rank(0.99), v.back()};
}

struct Case {
  int device;
  bool paced;
  std::string Name() const {
    return std::to_string(device) + (paced ? " line" : " pty");
  }
};

class Speed : public WineDriverTest {
 protected:
  // The adapter answers each request at once, from the engine.
  vlrsim::PtyAdapter& StartAnsweringAdapter(const Case& c) {
    auto slot = std::make_shared<std::atomic<vlrsim::PtyAdapter*>>(nullptr);
    vlrsim::AdapterOptions options;
    options.line_paced = c.paced;
    options.on_host_frame = [slot](const vlrsim::HostFrame& frame) {
      vlrsim::PtyAdapter* adapter = slot->load();
      if (adapter != nullptr && IsRequest(frame)) {
        const std::vector<uint8_t> data{0x10, 0x27, 0,    0,
                                        0xFF, 0xFF, 0xFF, 0xFF};
        adapter->PutOnBus(vlrsim::Bus::kJ1939, kAnswerId, data);
      }
    };
    vlrsim::PtyAdapter& adapter = StartAdapter(c.device, options);
    slot->store(&adapter);
    return adapter;
  }

  void MeasureIdle(const ThreadIds& driverThreads) {
    const pid_t pid = program_.Pid();
    const pid_t server = WineServerOf(SharedPrefix().Path().string());
    const ThreadIds all = ThreadsOf(pid);
    const uint64_t driver0 = CpuNs(pid, driverThreads);
    const uint64_t all0 = CpuNs(pid, all);
    const uint64_t server0 = server > 0 ? CpuNs(server, ThreadsOf(server)) : 0;
    const auto start = Clock::now();
    Step("sleep " + std::to_string(1000 * Setting("VLR_WINE_BENCH_IDLE_S", 1)));
    const double seconds =
        std::chrono::duration<double>(Clock::now() - start).count();
    auto perSecond = [&](uint64_t ns) { return ns / 1e6 / seconds; };
    std::printf(
        "  idle cpu ms/s: driver threads %.2f, process %.2f, "
        "wineserver %.2f\n",
        perSecond(CpuNs(pid, driverThreads) - driver0),
        perSecond(CpuNs(pid, all) - all0),
        server > 0 ? perSecond(CpuNs(server, ThreadsOf(server)) - server0)
                   : -1.0);
  }

  void MeasurePing() {
    const int samples = Setting("VLR_WINE_BENCH_SAMPLES", 5);
    std::mt19937 random(1210);
    std::uniform_int_distribution<int> pauseMs(0, 19);
    std::vector<double> trips;
    for (int i = 0; i < samples; ++i) {
      Step("sleep " + std::to_string(pauseMs(random)));
      const std::string result = Step(std::string("roundtrip 0 ") + kRequest);
      const size_t space = result.find(' ');
      ASSERT_EQ(result.substr(0, space), "18") << result;
      trips.push_back(std::stod(result.substr(space + 1)) / 1000.0);
    }
    const Percentiles p = Of(trips);
    std::printf("  ping ms: p50 %.2f, p99 %.2f, max %.2f (%d samples)\n", p.p50,
                p.p99, p.max, samples);
  }

  void MeasureTransmit(vlrsim::PtyAdapter& adapter) {
    const int frames = Setting("VLR_WINE_BENCH_FRAMES", 50);
    vlrsim::Recording& line = adapter.Recorded();
    line.Clear();
    const std::string burst = Step("burst 0 " + std::to_string(frames) + " " +
                                   std::string(kTxHeader));
    ASSERT_EQ(burst.substr(0, 2), "0 ") << burst;
    line.WaitForHostMessages(frames, 60s);
    std::vector<Clock::time_point> arrivals;
    std::optional<uint32_t> last;
    bool inOrder = true;
    for (const vlrsim::HostFrame& frame : line.HostMessages()) {
      const auto n = NumberOf(frame);
      if (!n) continue;
      inOrder = inOrder && (!last || *n == *last + 1);
      last = n;
      arrivals.push_back(frame.at);
    }
    ASSERT_EQ(arrivals.size(), static_cast<size_t>(frames));
    EXPECT_TRUE(inOrder);
    const double seconds =
        std::chrono::duration<double>(arrivals.back() - arrivals.front())
            .count();
    std::printf("  tx: %.1f frames/s (%d frames, %s)\n", (frames - 1) / seconds,
                frames, burst.c_str() + 2);
  }
};

TEST_F(Speed, PingTransmitAndIdleThroughTheDll) {
  for (const Case c :
       {Case{201, false}, Case{201, true}, Case{101, false}, Case{101, true}}) {
    SCOPED_TRACE(c.Name());
    std::printf("%s\n", c.Name().c_str());
    vlrsim::PtyAdapter& adapter = StartAnsweringAdapter(c);
    const ThreadIds before = ThreadsOf(program_.Pid());
    ASSERT_EQ(Connect(c.device, "J1939"), "0");
    ThreadIds driverThreads;
    std::ranges::set_difference(
        ThreadsOf(program_.Pid()), before,
        std::inserter(driverThreads, driverThreads.end()));
    ASSERT_EQ(Step("command 3 0 -"), "0");
    MeasureIdle(driverThreads);
    MeasurePing();
    MeasureTransmit(adapter);
    std::fflush(stdout);
    ASSERT_EQ(Step("disconnect 0"), "0");
    StopAdapters();
  }
}

}  // namespace
}  // namespace winetest
