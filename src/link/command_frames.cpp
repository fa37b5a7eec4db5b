// Command frames to the 2xx adapter, including the frames that program its
// J1939 identifier filter.
#include <algorithm>

#include "link/frames.h"

namespace vlr::link {
namespace {

constexpr uint8_t kFrameStart = 0x01;
constexpr size_t kMaxHeaderCount = 255;  // the count byte
constexpr uint8_t kReceiveOnJ1708 = 0x11;
constexpr uint8_t kReceiveOffJ1708 = 0x10;
constexpr uint8_t kReceiveOnJ1939 = 0x01;
constexpr uint8_t kReceiveOffJ1939 = 0x00;
constexpr uint8_t kRateChange = 0x01;
constexpr uint8_t kRate115200[] = {0x03, 0x04, 0x00};
constexpr uint8_t kFilterMask = 0x04;
constexpr uint8_t kFirstFilterSlot = 0x19;
constexpr int kFilterSlots = 4;

std::array<uint8_t, 4> BigEndian(uint32_t value) {
  return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

}  // namespace

// A frame of length 0 when the arguments are too many for the count byte.
Frame CommandFrame(uint8_t channelId, uint8_t code,
                   std::span<const uint8_t> args) {
  Frame frame;
  const size_t headerCount = 2 + args.size();
  if (headerCount > kMaxHeaderCount) return frame;
  auto& b = frame.bytes;
  b[0] = kFrameStart;
  b[1] = static_cast<uint8_t>(headerCount);
  b[2] = channelId;
  b[3] = code;
  std::copy(args.begin(), args.end(), b.begin() + 4);
  b[headerCount + 2] = 0x00;  // commands carry no data
  frame.length = headerCount + 3;
  b[frame.length] = PlainSum(frame.View());
  ++frame.length;
  return frame;
}

Frame ReceiveOnFrame(bool j1939) {
  return j1939 ? CommandFrame(channel::kJ1939, kReceiveOnJ1939)
               : CommandFrame(channel::kJ1708, kReceiveOnJ1708);
}

Frame ReceiveOffFrame(bool j1939) {
  return j1939 ? CommandFrame(channel::kJ1939, kReceiveOffJ1939)
               : CommandFrame(channel::kJ1708, kReceiveOffJ1708);
}

Frame RateChangeFrame() {
  return CommandFrame(channel::kLinkControl, kRateChange, kRate115200);
}

std::array<uint8_t, 5> AcknowledgementFor(uint8_t channelId) {
  std::array<uint8_t, 5> ack{kFrameStart, 0x01, channelId, 0x00, 0x00};
  ack[4] = PlainSum(std::span(ack).first(4));
  return ack;
}

// These are the adapter's own patterns, not whole-field masks: the PGN
// pattern covers the PF byte only, and each address pattern the upper six
// bits of the address. The adapter therefore passes a superset of what the
// group accepts, never less.
uint32_t FilterMaskFor(const J1939FilterGroup& group) {
  std::array<uint8_t, 4> m{};
  const uint8_t flags = group[0];
  if (flags & filter_flags::kPgn) m = {0x07, 0xF8, 0x00, 0x00};
  if (flags & filter_flags::kPriority) m[0] |= 0xE0;
  if (flags & filter_flags::kSource) {
    m[2] = 0x07;
    m[3] = 0xE0;
  }
  if (flags & filter_flags::kDestination) {
    m[2] |= 0xE0;
    m[1] |= 0x07;
  }
  return uint32_t{m[0]} << 24 | uint32_t{m[1]} << 16 | uint32_t{m[2]} << 8 |
         m[3];
}

// Fields the group does not compare are 0 in the value, so the adapter's
// comparison under the mask sees only the fields that matter.
uint32_t FilterValueFor(const J1939FilterGroup& group) {
  const uint8_t flags = group[0];
  const bool pgn = flags & filter_flags::kPgn;
  const uint8_t header[kJ1939HeaderSize] = {
      pgn ? group[1] : uint8_t{0},
      pgn ? group[2] : uint8_t{0},
      pgn ? group[3] : uint8_t{0},
      (flags & filter_flags::kPriority) ? group[4] : uint8_t{0},
      (flags & filter_flags::kSource) ? group[5] : uint8_t{0},
      (flags & filter_flags::kDestination) ? group[6] : uint8_t{0},
  };
  return J1939Identifier(header) << 3;
}

Frame FilterMaskFrame(uint32_t mask) {
  return CommandFrame(channel::kJ1939, kFilterMask, BigEndian(mask));
}

// A frame of length 0 for a slot the adapter does not have.
Frame FilterSlotFrame(int slot, const J1939FilterGroup& group) {
  if (slot < 0 || slot >= kFilterSlots) return Frame{};
  const auto code = static_cast<uint8_t>(kFirstFilterSlot + 0x10 * slot);
  return CommandFrame(channel::kJ1939, code, BigEndian(FilterValueFor(group)));
}

}  // namespace vlr::link
