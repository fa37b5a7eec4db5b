// Vehicle traffic the simulated adapter reports to the host, as it would
// arrive from the networks: a built-in scenario, a capture replay, a test's
// script. The adapter frames each message for its family and applies its
// own receive switch and identifier filter.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace vlrsim {

enum class Bus : uint8_t { kJ1939, kJ1708 };

struct TimedMessage {
  // Offset from the start of the source; the adapter sends the message when
  // this much time has passed since it began playing the source.
  std::chrono::microseconds at{0};
  Bus bus = Bus::kJ1939;
  // J1939: the 29-bit identifier. J1708: the MID.
  uint32_t id = 0;
  // J1939: 0..8 data bytes. J1708: the data bytes after the MID, without the
  // checksum (the adapter appends it).
  std::vector<uint8_t> data;
};

class TrafficSource {
 public:
  virtual ~TrafficSource() = default;
  // The next message in time order, or nothing when the source has ended.
  // Called from the adapter's I/O thread only.
  virtual std::optional<TimedMessage> Next() = 0;
};

}  // namespace vlrsim
