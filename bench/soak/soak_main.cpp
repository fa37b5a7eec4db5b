// Soak: the driver receiving at the full line rate for a long time, through
// its exported functions, from a simulated 2xx adapter (201, 115200 baud)
// and a simulated 101 (38400 baud). Figures for BENCHMARKS.md, never
// pass/fail; not part of the test suites (ten minutes per adapter).
//
//   vlr_bench_soak                      600 s per adapter
//   vlr_bench_soak --soak_seconds=20    short run
//
// Per adapter: frames offered and read (lost = offered - read), repeats
// and reorderings, latency from the frame's scheduled time on the line to
// the return of RP1210_ReadMessage (frames are written at their scheduled
// time, one by one), CPU of the driver's threads, and the
// process's resident memory after the connect and before the disconnect.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "../e2e/application_reader.h"
#include "../e2e/cpu_usage.h"
#include "../e2e/failures.h"
#include "../e2e/sequenced_traffic.h"
#include "../e2e/spread.h"
#include "rp1210.h"

namespace vlr::bench {
namespace {

using namespace std::chrono_literals;

int soakSeconds = 600;

struct SoakAdapter {
  short device;
  vlrsim::Family family;
  int frameBytes;  // one J1939 frame with eight data bytes on this line
  int baud;
};

constexpr SoakAdapter k2xx{201, vlrsim::Family::k2xx, 22, 115200};
// 1xx counted frame: length, type, two bytes, 14-byte layout, check byte.
constexpr SoakAdapter k101{101, vlrsim::Family::k1xx, 19, 38400};

std::chrono::nanoseconds LineInterval(const SoakAdapter& a) {
  return std::chrono::nanoseconds(1'000'000'000LL * a.frameBytes * 10 / a.baud);
}

double ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024;
  }
  return 0;
}

ThreadIds NewThreads(const ThreadIds& before) {
  ThreadIds added;
  const ThreadIds after = ProcessThreads();
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                      std::inserter(added, added.end()));
  return added;
}

Spread LatenciesMs(const Instants& returned, Clock::time_point start,
                   std::chrono::nanoseconds interval) {
  std::vector<double> values;
  for (size_t i = 0; i < returned.size(); ++i) {
    if (!returned[i]) continue;
    const auto scheduled = start + interval * static_cast<int64_t>(i);
    values.push_back(
        std::chrono::duration<double, std::milli>(*returned[i] - scheduled)
            .count());
  }
  return SpreadOf(std::move(values));
}

void Soak(benchmark::State& state, SoakAdapter a) {
  vlrsim::AdapterOptions options;
  options.family = a.family;
  // Each frame goes out at its own time on the line's schedule. The
  // simulator's throttle would pace the same rate, but a late wake-up of
  // its thread on a loaded machine puts it behind for good, and that
  // backlog would count as the driver's latency.
  options.throttle = false;
  options.record = false;  // ten minutes of recording would be the RSS
  auto adapter = std::make_unique<vlrsim::PtyAdapter>(options);
  const std::string variable = "VLR1210_COM" + std::to_string(a.device % 100);
  setenv(variable.c_str(), adapter->SlavePath().c_str(), 1);

  const ThreadIds beforeDriver = ProcessThreads();
  char protocol[] = "J1939";
  if (const short r =
          RP1210_ClientConnect(nullptr, a.device, protocol, 8192, 8192, 0);
      r != 0) {
    Fail(state, "connect returned " + std::to_string(r));
    return;
  }
  const ThreadIds driver = NewThreads(beforeDriver);
  RP1210_SendCommand(RP1210_Set_All_Filters_States_to_Pass, 0, nullptr, 0);

  const auto interval = LineInterval(a);
  const auto frames =
      static_cast<uint32_t>(std::chrono::seconds(soakSeconds) / interval);
  ApplicationReader reader(frames);
  reader.Start();
  CpuMeter cpu;
  cpu.AddGroup("driver", driver);
  cpu.AddGroup("app", {reader.ThreadId()});
  const double rssStart = ResidentMegabytes();

  for (auto _ : state) {
    const auto start = Clock::now();
    cpu.Start();
    adapter->Play(std::make_unique<SequencedSource>(frames, interval));
    while (adapter->Playing()) std::this_thread::sleep_for(100ms);
    adapter->WaitUntilSent(60s);
    std::this_thread::sleep_for(1s);  // the last frames' way to the reader
    const CpuFigures used = cpu.Stop();
    state.SetIterationTime(
        std::chrono::duration<double>(Clock::now() - start).count());
    const double rssEnd = ResidentMegabytes();
    reader.Finish(*adapter);

    const Spread latency = LatenciesMs(reader.ReturnTimes(), start, interval);
    state.counters["offered"] = frames;
    state.counters["read"] = reader.Received();
    state.counters["lost"] = frames - reader.Received();
    state.counters["repeats"] = static_cast<double>(reader.Duplicates());
    state.counters["reordered"] = static_cast<double>(reader.OutOfOrder());
    state.counters["sim_dropped_bytes"] =
        static_cast<double>(adapter->DroppedBytes());
    state.counters["fps"] = frames / static_cast<double>(soakSeconds);
    state.counters["p50_ms"] = latency.p50;
    state.counters["p99_ms"] = latency.p99;
    state.counters["max_ms"] = latency.max;
    for (const CpuShare& share : used.groups) {
      state.counters[share.group + "_cpu_ms/s"] = share.msPerSecond;
    }
    state.counters["process_cpu_ms/s"] = used.processMsPerSecond;
    state.counters["rss_start_MB"] = rssStart;
    state.counters["rss_end_MB"] = rssEnd;
  }
  RP1210_ClientDisconnect(0);
}

int TakeSoakSeconds(int& argc, char** argv) {
  constexpr char kFlag[] = "--soak_seconds=";
  int seconds = 0;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kFlag, sizeof kFlag - 1) == 0) {
      seconds = std::atoi(argv[i] + sizeof kFlag - 1);
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return seconds;
}

}  // namespace
}  // namespace vlr::bench

int main(int argc, char** argv) {
  using namespace vlr::bench;
  if (const int seconds = TakeSoakSeconds(argc, argv); seconds > 0) {
    soakSeconds = seconds;
  }
  for (const auto& [name, adapter] :
       {std::pair{"soak/201_J1939_115200", k2xx},
        std::pair{"soak/101_J1939_38400", k101}}) {
    benchmark::RegisterBenchmark(name, Soak, adapter)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return AnyFailed() ? 1 : 0;
}
