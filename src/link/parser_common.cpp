// The sum test and the J1939 record conversion shared by both parsers.
#include <algorithm>

#include "link/parser.h"

namespace vlr::link {
namespace {

constexpr size_t kDataCountOffset = 4;
constexpr size_t kDataOffset = 5;
constexpr size_t kRecordHeaderSize = 6;
// From this PDU format on, PS is a group extension (part of the PGN) and the
// message has no destination; below it, PS is the destination address.
constexpr uint8_t kFirstBroadcastFormat = 240;

uint32_t BigEndian32(std::span<const uint8_t, 4> bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) |
         (uint32_t{bytes[2]} << 8) | uint32_t{bytes[3]};
}

}  // namespace

bool SumIsZero(std::span<const uint8_t> bytes) {
  uint8_t sum = 0;
  for (const uint8_t byte : bytes) sum = static_cast<uint8_t>(sum + byte);
  return sum == 0;
}

size_t ConvertJ1939Message(std::span<const uint8_t> payload,
                           std::span<uint8_t, kMaxRecordSize> out) {
  // The data count comes from the line; a payload that does not hold the
  // bytes it announces is damaged, and nothing past its end may be read.
  if (payload.size() < kDataOffset) return 0;
  const size_t count = payload[kDataCountOffset];
  if (payload.size() < kDataOffset + count) return 0;

  // The adapter sends the identifier shifted left by 3 bits.
  const uint32_t identifier = BigEndian32(payload.first<4>()) >> 3;
  const auto format = static_cast<uint8_t>(identifier >> 16);
  const auto specific = static_cast<uint8_t>(identifier >> 8);
  const bool broadcast = format >= kFirstBroadcastFormat;

  out[0] = broadcast ? specific : 0;
  out[1] = format;
  out[2] = static_cast<uint8_t>((identifier >> 24) & 0x01);
  out[3] = static_cast<uint8_t>((identifier >> 26) & 0x07);
  out[4] = static_cast<uint8_t>(identifier);
  out[5] = broadcast ? 0 : specific;
  std::copy_n(payload.begin() + kDataOffset, count,
              out.begin() + kRecordHeaderSize);
  return kRecordHeaderSize + count;
}

}  // namespace vlr::link
