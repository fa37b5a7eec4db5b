// One receive experiment: the simulator plays sequenced J1939 frames while
// the application reads them, and what arrived is compared with what went
// onto the line.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "cpu_usage.h"
#include "spread.h"
#include "vlrsim/family.h"

namespace vlr::bench {

struct ReceivePlan {
  bool throttle = true;  // pace the output at the line rate
  uint32_t frames = 0;
  // Offered pace; zero offers every frame at once.
  std::chrono::nanoseconds interval{0};
  vlrsim::Family family = vlrsim::Family::k2xx;
  bool linePaced = false;  // pace both directions at the line rate
};

struct ReceiveFigures {
  uint32_t sent = 0;
  uint32_t onLine = 0;        // written whole by the simulator
  uint32_t read = 0;          // distinct frames the application read
  uint64_t droppedBytes = 0;  // simulator output the line would not take
  uint64_t outOfOrder = 0;
  uint64_t duplicates = 0;
  uint64_t failedReads = 0;
  Spread latencyMs;    // simulator's write to RP1210_ReadMessage's return
  double lineFps = 0;  // first to last frame the simulator wrote
  double readFps = 0;  // first to last frame read
  double windowSeconds = 0;
  CpuFigures cpu;
};

// Empty, with `error` set, when the connection could not be made.
std::optional<ReceiveFigures> RunReceive(const ReceivePlan& plan,
                                         std::string& error);

}  // namespace vlr::bench
