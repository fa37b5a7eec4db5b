#pragma once

#include <cstdint>

namespace vlr {

// Tuning values that every connect sets afresh; there is no configuration.
struct DriverSettings {
  int32_t readerPriority = 3;
  int32_t writerPriority = 5;
  int32_t readerCycleSleep = 10;  // ms
  int32_t readerIdleSleep = 0;    // ms
  int32_t writerCycleSleep = 20;  // ms
};

// Priority codes -> Win32 thread priority levels; any other code is normal.
int ThreadPriorityForCode(int32_t code);

}  // namespace vlr
