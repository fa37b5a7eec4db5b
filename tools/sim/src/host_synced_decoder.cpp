#include <span>

#include "host_frame_parsers.h"
#include "vlrsim/sums.h"
#include "vlrsim/synced_frames.h"

namespace vlrsim::detail {

namespace {
// No host frame has more header bytes than the J1939 message frame (6);
// a larger count is taken for garbage rather than waited for.
constexpr size_t kMaxHeader = 8;

using Status = FrameMatch::Status;

void Classify(std::span<const uint8_t> header, std::span<const uint8_t> data,
              HostFrame& frame) {
  const uint8_t channel = header[0];
  const uint8_t code = header.size() > 1 ? header[1] : 0;
  if (channel == synced::kChannelJ1708 && header.size() == 3 &&
      code == synced::kHostJ1708Tag && !data.empty()) {
    frame.kind = HostFrame::Kind::kMessage;
    frame.bus = Bus::kJ1708;
    frame.id = data[0];
    frame.payload.assign(data.begin(), data.end());
    if (data.size() > 1) frame.data.assign(data.begin() + 1, data.end() - 1);
    frame.checksum_ok = SumIsZero(data);
    return;
  }
  if (channel == synced::kChannelJ1939 && header.size() == 6 &&
      code == synced::kHostJ1939Tag) {
    frame.kind = HostFrame::Kind::kMessage;
    frame.bus = Bus::kJ1939;
    frame.id = synced::IdentifierFromBytes(header.subspan<2, 4>());
    frame.data.assign(data.begin(), data.end());
    return;
  }
  frame.kind = HostFrame::Kind::kCommand;
  frame.channel = channel;
  frame.code = code;
  if (header.size() > 2) frame.args.assign(header.begin() + 2, header.end());
  frame.data.assign(data.begin(), data.end());
}
}  // namespace

FrameMatch MatchSyncedHostFrame(std::span<const uint8_t> bytes) {
  FrameMatch match;
  if (bytes.empty() || bytes[0] != 0x01) return match;
  if (bytes.size() < 2) return NeedMore();
  const size_t header_count = bytes[1];
  if (header_count == 0 || header_count > kMaxHeader) return match;
  if (bytes.size() < header_count + 3) return NeedMore();
  const size_t data_count = bytes[header_count + 2];
  const size_t length = header_count + data_count + 4;
  if (bytes.size() < length) return NeedMore();
  const auto frame = bytes.first(length);
  if (Sum8(frame.first(length - 1)) != frame[length - 1]) return match;

  match.status = Status::kFrame;
  match.length = length;
  match.frame.raw.assign(frame.begin(), frame.end());
  Classify(frame.subspan(2, header_count),
           frame.subspan(header_count + 3, data_count), match.frame);
  return match;
}

}  // namespace vlrsim::detail
