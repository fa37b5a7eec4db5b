#include "receive_run.h"

#include <algorithm>
#include <thread>

#include "application_reader.h"
#include "driver_session.h"
#include "sequenced_traffic.h"

namespace vlr::bench {
namespace {

using namespace std::chrono_literals;

// How long delivery may stall before the frames still missing count as
// lost. Far above a reader pass (10 ms sleep plus at most 20 ms of read).
constexpr auto kDeliveryStall = 1s;

void AwaitPlayed(vlrsim::PtyAdapter& adapter) {
  while (adapter.Playing()) std::this_thread::sleep_for(20ms);
  adapter.WaitUntilSent(60s);
}

void AwaitDelivered(const ApplicationReader& reader, uint32_t frames) {
  uint32_t seen = reader.Received();
  auto lastProgress = Clock::now();
  while (seen < frames && Clock::now() - lastProgress < kDeliveryStall) {
    std::this_thread::sleep_for(10ms);
    if (const uint32_t now = reader.Received(); now != seen) {
      seen = now;
      lastProgress = Clock::now();
    }
  }
}

// Frames per second over the span of `instants` (first to last).
double RateOf(const Instants& instants) {
  Clock::time_point first = Clock::time_point::max();
  Clock::time_point last = Clock::time_point::min();
  size_t count = 0;
  for (const auto& at : instants) {
    if (!at) continue;
    first = std::min(first, *at);
    last = std::max(last, *at);
    ++count;
  }
  const double span = std::chrono::duration<double>(last - first).count();
  return count > 1 && span > 0 ? static_cast<double>(count - 1) / span : 0;
}

void AddTiming(const Instants& written, const Instants& returned,
               ReceiveFigures& figures) {
  std::vector<double> latencies;
  for (size_t i = 0; i < returned.size(); ++i) {
    if (written[i]) ++figures.onLine;
    if (written[i] && returned[i]) {
      latencies.push_back(
          std::chrono::duration<double, std::milli>(*returned[i] - *written[i])
              .count());
    }
  }
  figures.latencyMs = SpreadOf(std::move(latencies));
  figures.lineFps = RateOf(written);
  figures.readFps = RateOf(returned);
}

}  // namespace

std::optional<ReceiveFigures> RunReceive(const ReceivePlan& plan,
                                         std::string& error) {
  DriverSession session(SessionSetup{.family = plan.family,
                                     .throttle = plan.throttle,
                                     .linePaced = plan.linePaced});
  if (!session.Ok()) {
    error = session.Error();
    return std::nullopt;
  }
  vlrsim::PtyAdapter& adapter = session.Adapter();
  ApplicationReader reader(plan.frames);
  reader.Start();

  CpuMeter cpu;
  cpu.AddGroup("driver", session.DriverThreads());
  cpu.AddGroup("app", {reader.ThreadId()});
  cpu.AddGroup("sim", session.SimulatorThreads());
  adapter.Recorded().Clear();
  const auto start = Clock::now();
  cpu.Start();
  adapter.Play(std::make_unique<SequencedSource>(plan.frames, plan.interval));
  AwaitPlayed(adapter);
  AwaitDelivered(reader, plan.frames);

  ReceiveFigures figures;
  figures.cpu = cpu.Stop();
  figures.windowSeconds =
      std::chrono::duration<double>(Clock::now() - start).count();
  reader.Finish(adapter);
  figures.sent = plan.frames;
  figures.read = reader.Received();
  figures.droppedBytes = adapter.DroppedBytes();
  figures.outOfOrder = reader.OutOfOrder();
  figures.duplicates = reader.Duplicates();
  figures.failedReads = reader.FailedReads();
  AddTiming(FrameWriteTimes(adapter.Recorded().AdapterChunks(), plan.frames,
                            plan.family),
            reader.ReturnTimes(), figures);
  return figures;
}

}  // namespace vlr::bench
