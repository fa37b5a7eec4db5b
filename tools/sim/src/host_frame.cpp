#include "vlrsim/host_frame.h"

#include <algorithm>

#include "host_frame_parsers.h"

namespace vlrsim {

TimedMessage HostFrame::AsMessage() const {
  TimedMessage message;
  message.bus = bus;
  message.id = id;
  message.data = data;
  return message;
}

struct HostFrameDecoder::State {
  Family family;
  Bytes held;  // bytes not yet turned into frames

  detail::FrameMatch Match(std::span<const uint8_t> bytes) const {
    return family == Family::k2xx ? detail::MatchSyncedHostFrame(bytes)
                                  : detail::MatchCountedHostFrame(bytes);
  }
};

namespace {
HostFrame OtherRun(std::span<const uint8_t> bytes, Clock::time_point at) {
  HostFrame frame;
  frame.kind = HostFrame::Kind::kOther;
  frame.at = at;
  frame.raw.assign(bytes.begin(), bytes.end());
  return frame;
}
}  // namespace

HostFrameDecoder::HostFrameDecoder(Family family)
    : state_(std::make_unique<State>(State{family, {}})) {}
HostFrameDecoder::~HostFrameDecoder() = default;
HostFrameDecoder::HostFrameDecoder(HostFrameDecoder&&) noexcept = default;
HostFrameDecoder& HostFrameDecoder::operator=(HostFrameDecoder&&) noexcept =
    default;

std::vector<HostFrame> HostFrameDecoder::Feed(std::span<const uint8_t> bytes,
                                              Clock::time_point at) {
  Bytes& held = state_->held;
  held.insert(held.end(), bytes.begin(), bytes.end());
  std::vector<HostFrame> frames;
  size_t pos = 0;
  size_t other_start = 0;  // start of the current run of unframed bytes
  auto close_other = [&] {
    if (other_start < pos) {
      frames.push_back(OtherRun(
          std::span(held).subspan(other_start, pos - other_start), at));
    }
  };
  while (pos < held.size()) {
    auto match = state_->Match(std::span(held).subspan(pos));
    if (match.status == detail::FrameMatch::Status::kNeedMore) break;
    if (match.status == detail::FrameMatch::Status::kInvalid) {
      ++pos;
      continue;
    }
    close_other();
    match.frame.at = at;
    frames.push_back(std::move(match.frame));
    pos += match.length;
    other_start = pos;
  }
  close_other();
  held.erase(held.begin(), held.begin() + static_cast<ptrdiff_t>(pos));
  return frames;
}

std::vector<HostFrame> HostFrameDecoder::Flush(Clock::time_point at) {
  std::vector<HostFrame> frames;
  Bytes& held = state_->held;
  // The held run starts a frame that never completed; its first byte is
  // garbage, but what follows may still hold whole frames.
  while (!held.empty()) {
    Bytes rest(held.begin() + 1, held.end());
    const uint8_t first = held.front();
    held.clear();
    frames.push_back(OtherRun(std::span(&first, 1), at));
    for (auto& frame : Feed(rest, at)) frames.push_back(std::move(frame));
  }
  // Join the one-byte runs that the loop produced back into runs.
  std::vector<HostFrame> joined;
  for (auto& frame : frames) {
    if (!joined.empty() && joined.back().kind == HostFrame::Kind::kOther &&
        frame.kind == HostFrame::Kind::kOther) {
      joined.back().raw.insert(joined.back().raw.end(), frame.raw.begin(),
                               frame.raw.end());
    } else {
      joined.push_back(std::move(frame));
    }
  }
  return joined;
}

size_t HostFrameDecoder::Pending() const { return state_->held.size(); }

std::vector<HostFrame> DecodeHostBytes(Family family,
                                       std::span<const uint8_t> bytes) {
  HostFrameDecoder decoder(family);
  auto frames = decoder.Feed(bytes);
  for (auto& frame : decoder.Flush()) frames.push_back(std::move(frame));
  return frames;
}

}  // namespace vlrsim
