// Recorded vehicle traffic, ready to be played again by the simulated
// adapter: the messages in the order of the recording, timed from its first
// record.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "vlrsim/traffic_source.h"

namespace vlrscenario {

// Longest data of one record: a J1939 frame carries 8 bytes on the bus; a
// J1708 message fits the adapter's 255-byte payload with its MID and
// checksum.
inline constexpr std::size_t kMaxJ1939Data = 8;
inline constexpr std::size_t kMaxJ1708Data = 253;
inline constexpr uint32_t kMaxJ1939Identifier = 0x1FFFFFFF;

struct Capture {
  std::vector<vlrsim::TimedMessage> messages;
  // Records that carry nothing the adapter could report (11-bit CAN frames,
  // remote frames, other networks); counted so a user can see they existed.
  std::size_t skipped = 0;
};

// Collects records with their absolute recording times and keeps each
// message's offset from the first. Recorders sometimes stamp a record a
// little earlier than the one before it (the bundled neoVI export does);
// such a time is held at the previous one, so the replay keeps the order of
// the file, which is the order the bus carried the frames in.
class CaptureBuilder {
 public:
  void Add(std::chrono::microseconds recorded_at, vlrsim::Bus bus, uint32_t id,
           std::vector<uint8_t> data);
  void Skip() { ++capture_.skipped; }
  Capture Take() { return std::move(capture_); }

 private:
  Capture capture_;
  std::optional<std::chrono::microseconds> first_;
  std::chrono::microseconds last_{0};
};

}  // namespace vlrscenario
