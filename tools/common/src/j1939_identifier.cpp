#include "vlrcommon/j1939_identifier.h"

namespace vlrcommon::j1939 {

IdentifierFields SplitIdentifier(uint32_t identifier) {
  return {static_cast<uint8_t>((identifier >> 26) & 0x07),
          static_cast<uint8_t>((identifier >> 24) & 0x03),
          static_cast<uint8_t>(identifier >> 16),
          static_cast<uint8_t>(identifier >> 8),
          static_cast<uint8_t>(identifier)};
}

uint32_t JoinIdentifier(const IdentifierFields& f) {
  return (uint32_t{f.priority} & 0x07) << 26 | (uint32_t{f.page} & 0x03) << 24 |
         uint32_t{f.pdu_format} << 16 | uint32_t{f.pdu_specific} << 8 |
         f.source;
}

uint32_t PgnOf(uint8_t page, uint8_t pdu_format, uint8_t pdu_specific) {
  const uint32_t extension = IsPdu1Format(pdu_format) ? 0 : pdu_specific;
  return (uint32_t{page} & 0x03) << 16 | uint32_t{pdu_format} << 8 | extension;
}

uint8_t DestinationOf(uint8_t pdu_format, uint8_t pdu_specific) {
  return IsPdu1Format(pdu_format) ? pdu_specific : kGlobalAddress;
}

MessageHeader HeaderOf(uint32_t identifier) {
  const IdentifierFields f = SplitIdentifier(identifier);
  return {PgnOf(f.page, f.pdu_format, f.pdu_specific), f.priority, f.source,
          DestinationOf(f.pdu_format, f.pdu_specific)};
}

uint32_t IdentifierOf(const MessageHeader& header) {
  IdentifierFields f;
  f.priority = header.priority;
  f.page = static_cast<uint8_t>(header.pgn >> 16);
  f.pdu_format = static_cast<uint8_t>(header.pgn >> 8);
  f.pdu_specific = IsPdu1(header.pgn) ? header.destination
                                      : static_cast<uint8_t>(header.pgn);
  f.source = header.source;
  return JoinIdentifier(f);
}

std::array<uint8_t, 3> PgnBytes(uint32_t pgn) {
  return {static_cast<uint8_t>(pgn), static_cast<uint8_t>(pgn >> 8),
          static_cast<uint8_t>(pgn >> 16)};
}

uint32_t PgnFromBytes(std::span<const uint8_t, 3> bytes) {
  return bytes[0] | uint32_t{bytes[1]} << 8 | (uint32_t{bytes[2]} & 0x03) << 16;
}

}  // namespace vlrcommon::j1939
