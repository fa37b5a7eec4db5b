#pragma once

#include <cstdint>

namespace vlr {

// Tuning values; there is no configuration.
struct DriverSettings {
  int32_t readerPriority = 3;
  int32_t writerPriority = 5;
  int32_t readerCycleSleep = 10;  // ms
  int32_t readerIdleSleep = 0;    // ms
  int32_t writerCycleSleep = 20;  // ms
};

inline constexpr DriverSettings kDriverSettings{};

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
