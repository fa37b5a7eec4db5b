// Commands that talk to a 2xx adapter on a J1939 connection: each frame
// goes out in a writer cycle and most wait for the adapter's
// acknowledgement, which the reader thread sees in its next pass.
#include <benchmark/benchmark.h>

#include <array>
#include <functional>
#include <random>
#include <thread>

#include "benchmarks.h"
#include "driver_session.h"
#include "failures.h"
#include "rp1210.h"
#include "spread.h"

namespace vlr::bench {
namespace {

using Clock = vlrsim::Clock;

short AllPass() {
  return RP1210_SendCommand(RP1210_Set_All_Filters_States_to_Pass, 0, nullptr,
                            0);
}

// One group: PGN 0xFEF1 only.
short AddOneFilterGroup() {
  std::array<uint8_t, 7> group{FILTER_PGN, 0xF1, 0xFE, 0x00, 0x03, 0x00, 0x00};
  return RP1210_SendCommand(RP1210_Set_Message_Filtering_For_J1939, 0,
                            reinterpret_cast<char*>(group.data()),
                            static_cast<short>(group.size()));
}

struct CommandPlan {
  std::function<short()> command;
  std::function<short()> prepare;  // untimed, before each command
  bool adapterSilent = false;      // answers nothing once connected
};

void TimeCommand(benchmark::State& state, const CommandPlan& plan) {
  DriverSession session(true);
  if (!session.Ok()) return Fail(state, session.Error());
  session.Adapter().SetSilent(plan.adapterSilent);
  vlrsim::Recording& line = session.Adapter().Recorded();
  // A random pause puts each call at another point of the writer's cycle.
  std::mt19937 random(1210);
  std::uniform_int_distribution<int> pauseUs(0, 19999);
  std::vector<double> times;
  size_t frames = 0;
  for (auto _ : state) {
    if (plan.prepare && plan.prepare() != 0) {
      Fail(state, "preparing command failed");
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
    const size_t before = line.HostCommands().size();
    const auto start = Clock::now();
    const short result = plan.command();
    const auto took = Clock::now() - start;
    if (result != 0) {
      Fail(state, "command returned " + std::to_string(result));
      break;
    }
    frames += line.HostCommands().size() - before;
    times.push_back(std::chrono::duration<double, std::milli>(took).count());
    state.SetIterationTime(times.back() / 1000);
  }
  const Spread spread = SpreadOf(times);
  state.counters["p50_ms"] = spread.p50;
  state.counters["max_ms"] = spread.max;
  if (!times.empty()) {
    state.counters["frames/cmd"] = static_cast<double>(frames) / times.size();
  }
}

void Register(const char* name, const CommandPlan& plan, uint32_t repeats) {
  benchmark::RegisterBenchmark(name, TimeCommand, plan)
      ->Iterations(repeats)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
}

}  // namespace

void RegisterCommandBenchmarks(const RunLength& length) {
  Register("e2e/command/3_all_pass", {AllPass, {}, false},
           length.commandRepeats);
  // Command 3 before each run clears the stored group, so every timed
  // command 4 programs the adapter's first slot afresh.
  Register("e2e/command/4_one_group", {AddOneFilterGroup, AllPass, false},
           length.commandRepeats);
  // The bound of a command: an adapter that never acknowledges costs the
  // whole acknowledgement wait and the pause after it.
  Register("e2e/command/3_adapter_silent", {AllPass, {}, true},
           length.silentCommandRepeats);
}

}  // namespace vlr::bench
