// The messages an application reads from the driver, taken apart: a J1939
// message with its parameter group number and addresses, or a J1708
// message with its MID; and the record RP1210_ReadMessage hands back
// around either (timestamp, echo flag).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <variant>
#include <vector>

#include "vlrcommon/j1939_identifier.h"

namespace vlrdecode {

enum class Protocol : uint8_t { kJ1939, kJ1708 };

struct J1939Message {
  uint32_t pgn = 0;  // 18 bits: data page, PF, and PS of a broadcast group
  uint8_t priority = 0;
  uint8_t source = 0;
  // The PS byte of a destination-specific (PDU1) group; 0xFF, the global
  // address, for a broadcast group.
  uint8_t destination = 0xFF;
  std::vector<uint8_t> data;

  bool operator==(const J1939Message&) const = default;
};

struct J1708Message {
  uint8_t mid = 0;
  std::vector<uint8_t> data;        // after the MID, without the checksum
  std::optional<uint8_t> checksum;  // present in raw mode

  bool operator==(const J1708Message&) const = default;
};

using Message = std::variant<J1939Message, J1708Message>;

// The 29-bit identifier the message travelled with on the bus.
uint32_t IdentifierOf(const J1939Message& message);
// The message an identifier and data make.
J1939Message FromIdentifier(uint32_t id, std::span<const uint8_t> data);
using vlrcommon::j1939::IsPdu1;

// How the connection delivers records: the driver puts an echo byte after
// the timestamp while echo mode is on, and keeps the J1708 checksum in raw
// mode.
struct ReadLayout {
  Protocol protocol = Protocol::kJ1939;
  bool echo_mode = false;
  bool j1708_raw = false;
};

struct ReadRecord {
  uint32_t timestamp_ms = 0;
  bool echoed = false;  // a copy of this client's own transmission
  Message message;
};

// Takes apart the bytes RP1210_ReadMessage wrote. Nothing when they are too
// short for the layout (a J1939 record has at least 6 bytes after the
// timestamp and echo byte; a J1708 record at least the MID).
std::optional<ReadRecord> ParseReadBuffer(std::span<const uint8_t> bytes,
                                          const ReadLayout& layout);

}  // namespace vlrdecode
