// The J1939 29-bit identifier and the parameter group number (PGN) it
// carries, in one place for every tool.
//
//   bits 28..26 priority, 25 extended data page, 24 data page,
//   23..16 PDU format (PF), 15..8 PDU specific (PS), 7..0 source address.
//
// Below kPdu2FormatStart a group is destination-specific (PDU1): PS is the
// destination address and the PGN carries 0 in its low byte. From there on
// it is a broadcast group (PDU2): PS is the group extension, part of the PGN,
// and the message goes to every address.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace vlrcommon::j1939 {

inline constexpr uint8_t kPdu2FormatStart = 240;
inline constexpr uint8_t kGlobalAddress = 0xFF;
inline constexpr uint32_t kLargestIdentifier = 0x1FFFFFFF;

constexpr bool IsPdu1Format(uint32_t pdu_format) {
  return pdu_format < kPdu2FormatStart;
}
// True for a destination-specific (PDU1) group.
constexpr bool IsPdu1(uint32_t pgn) { return IsPdu1Format((pgn >> 8) & 0xFF); }

// The identifier's fields as they stand in it.
struct IdentifierFields {
  uint8_t priority = 0;  // 3 bits
  uint8_t page = 0;      // extended data page and data page, 2 bits
  uint8_t pdu_format = 0;
  uint8_t pdu_specific = 0;
  uint8_t source = 0;

  bool operator==(const IdentifierFields&) const = default;
};

IdentifierFields SplitIdentifier(uint32_t identifier);
// Priority and page are cut to their widths.
uint32_t JoinIdentifier(const IdentifierFields& fields);

// The PGN of a group with these fields: page, PF, and PS for PDU2 only.
uint32_t PgnOf(uint8_t page, uint8_t pdu_format, uint8_t pdu_specific);
// The destination of a message with these fields: PS for PDU1, else global.
uint8_t DestinationOf(uint8_t pdu_format, uint8_t pdu_specific);

// A message's addressing, as applications see it.
struct MessageHeader {
  uint32_t pgn = 0;  // 18 bits
  uint8_t priority = 0;
  uint8_t source = 0;
  uint8_t destination = kGlobalAddress;  // counts for PDU1 groups only

  bool operator==(const MessageHeader&) const = default;
};

MessageHeader HeaderOf(uint32_t identifier);
uint32_t IdentifierOf(const MessageHeader& header);

// A PGN in messages and requests: three bytes, least significant first.
std::array<uint8_t, 3> PgnBytes(uint32_t pgn);
// The third byte keeps only its page bits.
uint32_t PgnFromBytes(std::span<const uint8_t, 3> bytes);

}  // namespace vlrcommon::j1939
