#pragma once

#include <array>
#include <cstdint>

namespace vlr {

// Room for the longest frame or record any producer makes: a reassembled
// J1939 message of 1785 data bytes behind its 6-byte header.
constexpr uint32_t kQueueEntryCapacity = 1792;

// One queued message. The queue hands out copies; `next` means nothing
// outside the queue.
struct QueueEntry {
  QueueEntry* next = nullptr;
  uint32_t length = 0;
  // Not zeroed: only `length` bytes are ever read, and zeroing the whole
  // capacity would cost every message.
  std::array<uint8_t, kQueueEntryCapacity> data;
  uint32_t timestamp = 0;  // zeroed when the producer does not stamp it
  uint8_t echo = 0;
};

}  // namespace vlr
