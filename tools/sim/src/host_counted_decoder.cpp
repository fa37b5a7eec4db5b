#include <span>

#include "host_frame_parsers.h"
#include "vlrsim/counted_frames.h"
#include "vlrsim/sums.h"

namespace vlrsim::detail {

namespace {
using Status = FrameMatch::Status;

// Shortest frames: a J1708 message of the MID alone (raw mode), and a J1939
// message of the 6-byte header without data; the longest J1939 frame holds
// 8 data bytes.
constexpr size_t kMinJ1708Length = 6;
constexpr size_t kMinJ1939Length = 11;
constexpr size_t kMaxJ1939Length = 19;

bool LengthFits(uint8_t type, size_t length) {
  if (type == counted::kHostJ1708Type) return length >= kMinJ1708Length;
  return length >= kMinJ1939Length && length <= kMaxJ1939Length;
}

void FillJ1708(std::span<const uint8_t> payload, HostFrame& frame) {
  frame.bus = Bus::kJ1708;
  frame.id = payload[0];
  if (payload.size() > 1) {
    frame.data.assign(payload.begin() + 1, payload.end() - 1);
  }
  frame.checksum_ok = SumIsZero(payload);
}

void FillJ1939(std::span<const uint8_t> message, HostFrame& frame) {
  frame.bus = Bus::kJ1939;
  frame.id = counted::J1939LayoutIdentifier(message);
  frame.data.assign(message.begin() + 6, message.end());
}
}  // namespace

FrameMatch MatchCountedHostFrame(std::span<const uint8_t> bytes) {
  FrameMatch match;
  if (bytes.empty()) return match;
  // Reject as early as the bytes allow, so garbage does not hold the stream.
  if (bytes.size() > 1 && bytes[1] != counted::kHostMark1) return match;
  if (bytes.size() > 2 && bytes[2] != counted::kHostMark2) return match;
  if (bytes.size() > 3 && bytes[3] != counted::kHostJ1708Type &&
      bytes[3] != counted::kHostJ1939Type) {
    return match;
  }
  if (bytes.size() < 4) return NeedMore();
  const size_t length = bytes[0];
  const uint8_t type = bytes[3];
  if (!LengthFits(type, length)) return match;
  if (bytes.size() < length) return NeedMore();
  const auto frame = bytes.first(length);
  if (!SumIsZero(frame)) return match;

  match.status = Status::kFrame;
  match.length = length;
  match.frame.kind = HostFrame::Kind::kMessage;
  match.frame.raw.assign(frame.begin(), frame.end());
  const auto body = frame.subspan(4, length - 5);
  match.frame.payload.assign(body.begin(), body.end());
  if (type == counted::kHostJ1708Type) {
    FillJ1708(body, match.frame);
  } else {
    FillJ1939(body, match.frame);
  }
  return match;
}

}  // namespace vlrsim::detail
