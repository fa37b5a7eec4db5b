// What the writer queues back for the application in echo mode: the frame
// it wrote, turned into the record a received message would give. Frames
// that carry no message (command frames share the writer) give no record.
#include <algorithm>
#include <optional>

#include "link/frames.h"

namespace vlr::link {
namespace {

constexpr uint8_t kCountedJ1708Prefix[] = {0x6F, 0xDE, 0x80};
constexpr uint8_t kCountedJ1939Prefix[] = {0x6F, 0xDE, 0x83};
constexpr uint8_t kSyncedJ1708Prefix[] = {0x01, 0x03, channel::kJ1708, 0x12,
                                          0x01};
constexpr uint8_t kSyncedJ1939Prefix[] = {0x01, 0x06, channel::kJ1939, 0x02};
constexpr size_t kCountedOverhead = 5;  // length, marker, type, checksum
constexpr uint8_t kFirstPduTwoPf = 0xF0;

bool StartsWith(std::span<const uint8_t> bytes,
                std::span<const uint8_t> prefix) {
  return bytes.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

// The message bytes of a 1xx frame of the given type (offset 4 to the byte
// before the checksum), or nothing when the frame is not one.
std::span<const uint8_t> CountedMessage(std::span<const uint8_t> frame,
                                        std::span<const uint8_t> prefix) {
  if (frame.size() <= kCountedOverhead || frame[0] != frame.size() ||
      !StartsWith(frame.subspan(1), prefix)) {
    return {};
  }
  return frame.subspan(4, frame.size() - kCountedOverhead);
}

// The data bytes of a 2xx frame (01, n, n header bytes, L, L data bytes,
// sum) whose header starts with `prefix`, or nothing when it is not one.
std::optional<std::span<const uint8_t>> SyncedData(
    std::span<const uint8_t> frame, std::span<const uint8_t> prefix) {
  if (!StartsWith(frame, prefix)) return std::nullopt;
  const size_t lengthAt = size_t{frame[1]} + 2;
  if (frame.size() <= lengthAt ||
      frame.size() != lengthAt + frame[lengthAt] + 2) {
    return std::nullopt;
  }
  return frame.subspan(lengthAt + 1, frame[lengthAt]);
}

// MID, data and (as sent) the J1708 checksum byte.
std::span<const uint8_t> J1708Bytes(DeviceFamily family,
                                    std::span<const uint8_t> frame) {
  if (family == DeviceFamily::k1xx) {
    return CountedMessage(frame, kCountedJ1708Prefix);
  }
  if (family != DeviceFamily::k2xx) return {};
  return SyncedData(frame, kSyncedJ1708Prefix)
      .value_or(std::span<const uint8_t>{});
}

size_t Echo1xxJ1939(std::span<const uint8_t> frame, std::span<uint8_t> out) {
  const auto message = CountedMessage(frame, kCountedJ1939Prefix);
  if (message.size() < kJ1939HeaderSize || message.size() > out.size()) {
    return 0;
  }
  std::copy(message.begin(), message.end(), out.begin());
  // As the 1xx adapter reports received traffic: no PS byte for a
  // destination-specific PGN, and the priority without the other bits the
  // application may have set in its how/priority byte.
  if (out[1] < kFirstPduTwoPf) out[0] = 0;
  out[3] &= 0x07;
  return message.size();
}

size_t Echo2xxJ1939(std::span<const uint8_t> frame, std::span<uint8_t> out) {
  const auto data = SyncedData(frame, kSyncedJ1939Prefix);
  if (!data || kJ1939HeaderSize + data->size() > out.size()) return 0;
  const uint32_t value = uint32_t{frame[4]} << 24 | uint32_t{frame[5]} << 16 |
                         uint32_t{frame[6]} << 8 | frame[7];
  const uint32_t identifier = value >> 3;
  const auto pf = static_cast<uint8_t>(identifier >> 16);
  const auto ps = static_cast<uint8_t>(identifier >> 8);
  const bool pduTwo = pf >= kFirstPduTwoPf;
  out[0] = pduTwo ? ps : 0;
  out[1] = pf;
  out[2] = (identifier >> 24) & 0x01;
  out[3] = (identifier >> 26) & 0x07;
  out[4] = static_cast<uint8_t>(identifier);
  out[5] = pduTwo ? 0 : ps;
  std::copy(data->begin(), data->end(), out.begin() + kJ1939HeaderSize);
  return kJ1939HeaderSize + data->size();
}

}  // namespace

size_t J1708EchoRecord(DeviceFamily family, bool raw,
                       std::span<const uint8_t> frame, std::span<uint8_t> out) {
  const auto sent = J1708Bytes(family, frame);
  // In converted mode the checksum was the driver's, not the application's.
  const size_t length = raw || sent.empty() ? sent.size() : sent.size() - 1;
  if (length == 0 || length > out.size()) return 0;
  std::copy_n(sent.begin(), length, out.begin());
  return length;
}

size_t J1939EchoRecord(DeviceFamily family, std::span<const uint8_t> frame,
                       std::span<uint8_t> out) {
  if (family == DeviceFamily::k1xx) return Echo1xxJ1939(frame, out);
  if (family == DeviceFamily::k2xx) return Echo2xxJ1939(frame, out);
  return 0;
}

}  // namespace vlr::link
