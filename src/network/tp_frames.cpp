#include "network/tp_frames.h"

#include <algorithm>

namespace vlr::network {
namespace {

constexpr uint8_t kFirstBroadcastPf = 240;

Packet Frame(uint8_t pfByte, uint8_t priority, uint8_t source,
             uint8_t destination, const std::array<uint8_t, 8>& data) {
  // Destination-specific groups carry the destination in byte 5 and leave
  // the group's low byte 0, as the adapters expect.
  Packet frame{0x00, pfByte, 0x00, priority, source, destination};
  std::copy(data.begin(), data.end(), frame.begin() + kHeaderSize);
  return frame;
}

Packet Control(uint8_t source, uint8_t destination,
               const std::array<uint8_t, 8>& data) {
  return Frame(pf::kTransportControl, kTransportPriority, source, destination,
               data);
}

uint8_t Low(uint16_t value) { return static_cast<uint8_t>(value & 0xFF); }
uint8_t High(uint16_t value) { return static_cast<uint8_t>(value >> 8); }

}  // namespace

bool SamePgn(const Pgn& a, const Pgn& b) {
  if (a[1] != b[1] || a[2] != b[2]) return false;
  return a[1] < kFirstBroadcastPf || a[0] == b[0];
}

FrameHeader HeaderOf(std::span<const uint8_t> message) {
  return {message[1], static_cast<uint8_t>(message[3] & 0x07), message[4],
          message[5]};
}

uint16_t ControlData::Size() const {
  return static_cast<uint16_t>(bytes[1] | bytes[2] << 8);
}

std::optional<ControlData> DecodeControl(std::span<const uint8_t> message) {
  if (message.size() < kHeaderSize + 8) return std::nullopt;
  ControlData out;
  std::copy_n(message.begin() + kHeaderSize, 8, out.bytes.begin());
  return out;
}

Packet RtsPacket(uint8_t source, uint8_t destination, uint16_t size,
                 uint8_t packets, const Pgn& pgn) {
  // No limit on the window: the receiver decides it in its CTS.
  return Control(source, destination,
                 {control::kRts, Low(size), High(size), packets, 0xFF, pgn[0],
                  pgn[1], pgn[2]});
}

Packet CtsPacket(uint8_t source, uint8_t destination, uint8_t count,
                 uint8_t next, const Pgn& pgn) {
  return Control(
      source, destination,
      {control::kCts, count, next, 0xFF, 0xFF, pgn[0], pgn[1], pgn[2]});
}

Packet EndOfMessagePacket(uint8_t source, uint8_t destination, uint16_t size,
                          uint8_t packets, const Pgn& pgn) {
  return Control(source, destination,
                 {control::kEndOfMessage, Low(size), High(size), packets, 0xFF,
                  pgn[0], pgn[1], pgn[2]});
}

Packet BamPacket(uint8_t source, uint16_t size, uint8_t packets,
                 const Pgn& pgn) {
  return Control(source, kGlobal,
                 {control::kBam, Low(size), High(size), packets, 0xFF, pgn[0],
                  pgn[1], pgn[2]});
}

Packet AbortPacket(uint8_t source, uint8_t destination, AbortReason reason,
                   const Pgn& pgn) {
  return Control(source, destination,
                 {control::kAbort, static_cast<uint8_t>(reason), 0xFF, 0xFF,
                  0xFF, pgn[0], pgn[1], pgn[2]});
}

Packet DataPacket(uint8_t source, uint8_t destination, uint8_t sequence,
                  std::span<const uint8_t> data) {
  std::array<uint8_t, 8> bytes;
  bytes.fill(0xFF);
  bytes[0] = sequence;
  const size_t from = (size_t{sequence} - 1) * kBytesPerPacket;
  if (sequence > 0 && from < data.size()) {
    const size_t count = std::min(kBytesPerPacket, data.size() - from);
    std::copy_n(data.begin() + from, count, bytes.begin() + 1);
  }
  return Frame(pf::kTransportData, kTransportPriority, source, destination,
               bytes);
}

Packet AddressClaimedPacket(uint8_t source, const Name& name) {
  return Frame(pf::kAddressClaimed, kClaimPriority, source, kGlobal, name);
}

bool IsAddressClaimRequest(std::span<const uint8_t> message) {
  return message.size() >= kHeaderSize + 3 && message[1] == pf::kRequest &&
         message[kHeaderSize] == 0x00 &&
         message[kHeaderSize + 1] == pf::kAddressClaimed &&
         message[kHeaderSize + 2] == 0x00;
}

uint64_t NameValue(const Name& name) {
  uint64_t value = 0;
  for (size_t i = name.size(); i-- > 0;) value = value << 8 | name[i];
  return value;
}

}  // namespace vlr::network
