// How long each end-to-end benchmark runs. The full run gives the figures
// of BENCHMARKS.md; a short run passes every path in a few seconds each, so
// a smoke test can keep the benchmarks building and working.
#pragma once

#include <chrono>
#include <cstdint>

namespace vlr::bench {

struct RunLength {
  // Receive at the line rate, throttled like a real 115200-baud line.
  std::chrono::seconds lineRate{30};
  // Each offered rate of the unthrottled sweep.
  std::chrono::seconds sweepStep{3};
  // Frames of the unthrottled flood (all due at once).
  uint32_t floodFrames = 50000;
  // Frames queued at once for the writer; below the transmit queue's 200,
  // past which the oldest frame would be dropped.
  uint32_t transmitBurst = 150;
  // Single sends timed from the call to the frame on the line.
  uint32_t transmitSamples = 200;
  // The comparison with commercial adapters (comparison_benchmarks.cpp):
  // request-answer round trips, frames sent at once through the driver,
  // and frames the simulator sends as fast as it can, on the pseudo-
  // terminal's unpaced line and on a line paced at the family's rate.
  uint32_t pingSamples = 300;
  uint32_t transmitBatch = 500;
  uint32_t receiveBatchUnpaced = 20000;
  uint32_t receiveBatchPaced = 2000;
  // Repetitions of each timed command.
  uint32_t commandRepeats = 20;
  // Commands to an adapter that never answers; each costs over two seconds.
  uint32_t silentCommandRepeats = 3;
  // Long J1939 messages: broadcasts timed packet by packet, 1785-byte
  // connection-mode transfers timed whole.
  uint32_t broadcastRepeats = 3;
  uint32_t connectionTransfers = 5;

  static RunLength Full() { return {}; }
  // `seconds` bounds the line-rate run; everything else shrinks with it.
  static RunLength Short(int seconds);
};

// Removes --e2e_seconds=N from the arguments. Without the flag,
// VLR_BENCH_E2E_SECONDS from the environment counts. 0 means a full run.
int TakeShortRunSeconds(int& argc, char** argv);

}  // namespace vlr::bench
