// Plays a capture to the simulated adapter with the capture's own timing.
#pragma once

#include <chrono>
#include <memory>

#include "vlrscenario/capture.h"
#include "vlrsim/traffic_source.h"

namespace vlrscenario {

struct ReplayOptions {
  // Start again after the last message, `loop_gap` later, for ever.
  bool loop = false;
  std::chrono::microseconds loop_gap{100'000};
  // 2.0 plays twice as fast; at or below 0 the capture is played as fast
  // as the adapter takes it (every message due at once).
  double speed = 1.0;
};

std::unique_ptr<vlrsim::TrafficSource> MakeReplaySource(
    Capture capture, ReplayOptions options = {});

}  // namespace vlrscenario
