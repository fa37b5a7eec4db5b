#include "vlrsim/adapter_frame.h"

#include "vlrsim/counted_frames.h"
#include "vlrsim/sums.h"
#include "vlrsim/synced_frames.h"

namespace vlrsim {

namespace {
using Kind = AdapterFrame::Kind;

void AppendOther(std::vector<AdapterFrame>& frames, uint8_t byte) {
  if (frames.empty() || frames.back().kind != Kind::kOther) {
    frames.push_back(AdapterFrame{});
  }
  frames.back().raw.push_back(byte);
}

// 01 01 ch 00 sum, or 01 05 ch s s s s n payload sum at `bytes`' start;
// the frame's length, or 0.
size_t SyncedFrame(std::span<const uint8_t> bytes, AdapterFrame& frame) {
  if (bytes.size() < 5 || bytes[0] != 0x01) return 0;
  const size_t header = bytes[1];
  if (header != 1 && header != 5) return 0;
  if (bytes.size() < header + 4) return 0;
  const size_t count = bytes[header + 2];
  const size_t length = header + count + 4;
  if (bytes.size() < length) return 0;
  if (Sum8(bytes.first(length - 1)) != bytes[length - 1]) return 0;
  const uint8_t channel = bytes[2];
  if (header == 1) {
    if (count != 0) return 0;
    frame.kind = channel == synced::kChannelFlow ? Kind::kReady : Kind::kAck;
    frame.channel = channel;
    return length;
  }
  const auto payload = bytes.subspan(8, count);
  if (channel == synced::kChannelJ1708 && !payload.empty()) {
    frame.kind = Kind::kMessage;
    frame.bus = Bus::kJ1708;
    frame.id = payload[0];
    if (payload.size() > 1) {
      frame.data.assign(payload.begin() + 1, payload.end() - 1);
    }
    frame.checksum_ok = SumIsZero(payload);
    return length;
  }
  if (channel == synced::kChannelJ1939 && payload.size() >= 5 &&
      payload[4] + 5u == payload.size()) {
    frame.kind = Kind::kMessage;
    frame.bus = Bus::kJ1939;
    frame.id = synced::IdentifierFromBytes(payload.subspan<0, 4>());
    frame.data.assign(payload.begin() + 5, payload.end());
    return length;
  }
  return 0;
}

size_t CountedFrame(std::span<const uint8_t> bytes, AdapterFrame& frame) {
  if (bytes.size() < 2) return 0;
  const size_t length = bytes[0];
  if (bytes.size() < length) return 0;
  const auto whole = bytes.first(length);
  if (length == counted::kJ1939FrameLength &&
      bytes[1] == counted::kAdapterJ1939Type) {
    const auto m = whole.subspan(4, 14);
    frame.kind = Kind::kMessage;
    frame.bus = Bus::kJ1939;
    frame.id = counted::J1939LayoutIdentifier(m);
    frame.data.assign(m.begin() + 6, m.end());
    frame.checksum_ok = SumIsZero(whole);
    return length;
  }
  if (length >= 7 && bytes[1] == counted::kAdapterJ1708Type) {
    const auto message = whole.subspan(4, length - 5);
    frame.kind = Kind::kMessage;
    frame.bus = Bus::kJ1708;
    frame.id = message[0];
    frame.data.assign(message.begin() + 1, message.end() - 1);
    frame.checksum_ok = SumIsZero(message) && SumIsZero(whole);
    return length;
  }
  return 0;
}
}  // namespace

std::vector<AdapterFrame> DecodeAdapterBytes(Family family,
                                             std::span<const uint8_t> bytes) {
  std::vector<AdapterFrame> frames;
  size_t pos = 0;
  while (pos < bytes.size()) {
    AdapterFrame frame;
    const auto rest = bytes.subspan(pos);
    const size_t length = family == Family::k2xx ? SyncedFrame(rest, frame)
                                                 : CountedFrame(rest, frame);
    if (length == 0) {
      AppendOther(frames, bytes[pos++]);
      continue;
    }
    frame.raw.assign(rest.begin(), rest.begin() + length);
    frames.push_back(std::move(frame));
    pos += length;
  }
  return frames;
}

}  // namespace vlrsim
