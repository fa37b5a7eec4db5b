#include "vlrsim/synced_frames.h"

#include <algorithm>

#include "vlrsim/sums.h"

namespace vlrsim::synced {

int FilterSlotOf(uint8_t code) {
  for (int slot = 0; slot < 4; ++slot) {
    if (code == FilterSlotCode(slot)) return slot;
  }
  return -1;
}

Bytes Frame(std::span<const uint8_t> header, std::span<const uint8_t> data) {
  Bytes frame;
  frame.reserve(header.size() + data.size() + 4);
  frame.push_back(0x01);
  frame.push_back(static_cast<uint8_t>(header.size()));
  frame.insert(frame.end(), header.begin(), header.end());
  frame.push_back(static_cast<uint8_t>(data.size()));
  frame.insert(frame.end(), data.begin(), data.end());
  frame.push_back(Sum8(frame));
  return frame;
}

Bytes CommandFrame(uint8_t channel, uint8_t code,
                   std::span<const uint8_t> args) {
  Bytes header{channel, code};
  header.insert(header.end(), args.begin(), args.end());
  return Frame(header, {});
}

Bytes RateChangeFrame() {
  const uint8_t args[] = {0x03, 0x04, 0x00};
  return CommandFrame(kChannelLink, kLinkRateChange, args);
}

Bytes ReceiveModeFrame(bool j1939) {
  return j1939 ? CommandFrame(kChannelJ1939, kJ1939ReceiveOn)
               : CommandFrame(kChannelJ1708, kJ1708ReceiveOn);
}

namespace {
std::array<uint8_t, 4> BigEndian(uint32_t value) {
  return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}
}  // namespace

Bytes FilterMaskFrame(uint32_t mask) {
  return CommandFrame(kChannelJ1939, kJ1939FilterMask, BigEndian(mask));
}

Bytes FilterSlotFrame(int slot, uint32_t value) {
  return CommandFrame(kChannelJ1939, FilterSlotCode(slot), BigEndian(value));
}

Bytes HostJ1708Frame(std::span<const uint8_t> payload) {
  const uint8_t header[] = {kChannelJ1708, kHostJ1708Tag, 0x01};
  return Frame(header, payload);
}

Bytes HostJ1939Frame(uint32_t identifier, std::span<const uint8_t> data) {
  const auto id = IdentifierBytes(identifier);
  const uint8_t header[] = {kChannelJ1939, kHostJ1939Tag, id[0],
                            id[1],         id[2],         id[3]};
  return Frame(header, data);
}

Bytes AckFrame(uint8_t channel) {
  const uint8_t header[] = {channel};
  return Frame(header, {});
}

Bytes ReadyFrame() { return AckFrame(kChannelFlow); }

Bytes MessageFrame(uint8_t channel, std::span<const uint8_t> payload,
                   uint32_t stamp) {
  const auto s = BigEndian(stamp);
  const uint8_t header[] = {channel, s[0], s[1], s[2], s[3]};
  return Frame(header, payload);
}

Bytes J1708MessageFrame(uint8_t mid, std::span<const uint8_t> data,
                        uint32_t stamp) {
  // The payload length is one byte: MID + data + checksum stays within it.
  data = data.first(std::min<size_t>(data.size(), 253));
  Bytes payload{mid};
  payload.insert(payload.end(), data.begin(), data.end());
  payload.push_back(ZeroSumComplement(payload));
  return MessageFrame(kChannelJ1708, payload, stamp);
}

Bytes J1939MessageFrame(uint32_t identifier, std::span<const uint8_t> data,
                        uint32_t stamp) {
  const auto id = IdentifierBytes(identifier);
  Bytes payload(id.begin(), id.end());
  const size_t count = std::min<size_t>(data.size(), 250);
  payload.push_back(static_cast<uint8_t>(count));
  payload.insert(payload.end(), data.begin(), data.begin() + count);
  return MessageFrame(kChannelJ1939, payload, stamp);
}

std::array<uint8_t, 4> IdentifierBytes(uint32_t identifier) {
  return BigEndian((identifier & 0x1FFFFFFFu) << 3);
}

uint32_t IdentifierFromBytes(std::span<const uint8_t, 4> bytes) {
  const uint32_t value = (uint32_t{bytes[0]} << 24) |
                         (uint32_t{bytes[1]} << 16) |
                         (uint32_t{bytes[2]} << 8) | bytes[3];
  return value >> 3;
}

}  // namespace vlrsim::synced
