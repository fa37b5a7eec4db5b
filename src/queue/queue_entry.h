#pragma once

#include <array>
#include <cstdint>

namespace vlr {

// Room for the longest frame or record any producer makes.
constexpr uint32_t kQueueEntryCapacity = 512;

// One queued message. The queue hands out copies; `next` means nothing
// outside the queue.
struct QueueEntry {
  QueueEntry* next = nullptr;
  uint32_t length = 0;
  std::array<uint8_t, kQueueEntryCapacity> data{};
  uint32_t timestamp = 0;  // zeroed when the producer does not stamp it
  uint8_t echo = 0;
};

}  // namespace vlr
