// The transport protocol's frames and the timed output of the simulated
// ECUs: what goes on the bus, and when.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "vlrsim/family.h"

namespace vlrsim::detail {

// A J1939 frame an ECU puts on the bus at `at`.
struct BusFrame {
  Clock::time_point at{};
  uint32_t id = 0;
  Bytes data;
};

// Frames waiting for their moment, in the order they were put.
class Outbox {
 public:
  void Put(Clock::time_point at, uint32_t id, Bytes data);
  // The frames due at `now`, earliest first (ties in put order).
  std::vector<BusFrame> TakeDue(Clock::time_point now);
  std::optional<Clock::time_point> NextTime() const;
  // Drops frames not yet due to `id`'s destination from `source` (a
  // transfer that ended early takes back what it had scheduled).
  void DropPending(uint32_t id_mask, uint32_t id_value);

 private:
  std::vector<BusFrame> frames_;
};

namespace tp {

inline constexpr uint8_t kRts = 0x10;
inline constexpr uint8_t kCts = 0x11;
inline constexpr uint8_t kEndOfMessageAck = 0x13;
inline constexpr uint8_t kBam = 0x20;
inline constexpr uint8_t kAbort = 0xFF;

inline constexpr uint8_t kAbortBusy = 1;
inline constexpr uint8_t kAbortTimeout = 3;
inline constexpr uint8_t kAbortBadSequence = 7;
inline constexpr uint8_t kAbortTooLarge = 9;

inline constexpr auto kTr = std::chrono::milliseconds{200};
inline constexpr auto kTh = std::chrono::milliseconds{500};
inline constexpr auto kT1 = std::chrono::milliseconds{750};
inline constexpr auto kT2 = std::chrono::milliseconds{1250};
inline constexpr auto kT3 = std::chrono::milliseconds{1250};
inline constexpr auto kT4 = std::chrono::milliseconds{1050};

inline constexpr size_t kPacketBytes = 7;

// A frame heard on the bus, taken apart.
struct Heard {
  uint32_t pgn = 0;
  uint8_t priority = 0;
  uint8_t source = 0;
  uint8_t destination = 0xFF;
  std::span<const uint8_t> data;
};
Heard Hear(uint32_t id, std::span<const uint8_t> data);

// Identifier of a frame of `pgn` from `source` to `destination`.
uint32_t IdOf(uint32_t pgn, uint8_t priority, uint8_t source,
              uint8_t destination);
uint32_t ControlId(uint8_t source, uint8_t destination);
uint32_t DataId(uint8_t source, uint8_t destination);

size_t PacketCount(size_t size);
Bytes Rts(size_t size, uint8_t max_per_cts, uint32_t pgn);
Bytes Cts(uint8_t packets, uint8_t next, uint32_t pgn);
Bytes EndOfMessageAck(size_t size, uint32_t pgn);
Bytes Bam(size_t size, uint32_t pgn);
Bytes Abort(uint8_t reason, uint32_t pgn);
// Packet `sequence` (from 1) of `message`, the last padded with 0xFF.
Bytes DataPacket(std::span<const uint8_t> message, uint8_t sequence);

// The PGN a control frame carries in its last three bytes.
uint32_t ControlPgn(std::span<const uint8_t> data);
// The size a RTS/BAM/ACK announces.
size_t ControlSize(std::span<const uint8_t> data);

}  // namespace tp
}  // namespace vlrsim::detail
