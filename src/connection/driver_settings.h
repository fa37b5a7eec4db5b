#pragma once

#include <cstddef>
#include <cstdint>

namespace vlr {

// Tuning values; there is no configuration.
struct DriverSettings {
  int32_t readerPriority = 3;
  int32_t writerPriority = 5;
  // The writer sleeps until woken for work; the bound only limits what a
  // lost wake-up could cost.
  uint32_t writerIdleWaitMs = 50;
  // A reader whose port fails at once (or whose adapter vanished) pauses
  // this long between tries instead of spinning.
  uint32_t readerFailurePauseMs = 10;
  // Device 104's look at the outside application's window, at most this
  // often: the reader now passes much more often than it used to.
  uint32_t windowWatchPeriodMs = 10;
};

inline constexpr DriverSettings kDriverSettings{};

// What the vendor file announces as NumberOfRTSCTSSessions and
// J1939Addresses: connection-mode transfers each client may run at once in
// each direction, and addresses the process may claim.
inline constexpr size_t kRtsCtsSessions = 16;
inline constexpr size_t kJ1939Addresses = 16;

// Priority codes -> Win32 thread priority levels; any other code is normal.
constexpr int ThreadPriorityForCode(int32_t code) {
  switch (code) {
    case 1:
      return -2;
    case 2:
      return -1;
    case 4:
      return 1;
    case 5:
      return 2;
    case 6:
      return 15;
    default:
      return 0;
  }
}

}  // namespace vlr
