// Recognisers of one host frame at the start of a byte run, one per family.
// The decoder in host_frame.cpp drives them over the stream.
#pragma once

#include <cstddef>
#include <span>

#include "vlrsim/host_frame.h"

namespace vlrsim::detail {

struct FrameMatch {
  enum class Status { kFrame, kNeedMore, kInvalid };
  Status status = Status::kInvalid;
  size_t length = 0;  // kFrame: bytes the frame takes
  HostFrame frame;    // kFrame: everything but `at`
};

inline FrameMatch NeedMore() {
  FrameMatch match;
  match.status = FrameMatch::Status::kNeedMore;
  return match;
}

// 2xx: 01 n header L data sum.
FrameMatch MatchSyncedHostFrame(std::span<const uint8_t> bytes);
// 1xx: T 6F DE type body check.
FrameMatch MatchCountedHostFrame(std::span<const uint8_t> bytes);

}  // namespace vlrsim::detail
