#include "link/reply_scan.h"

#include <algorithm>
#include <numeric>
#include <optional>

namespace vlr::link {
namespace {

constexpr uint8_t kFrameStart = 0x01;
constexpr uint8_t kShortHeaderCount = 0x01;
constexpr uint8_t kMessageHeaderCount = 0x05;
constexpr size_t kShortFrameSize = 5;
constexpr size_t kMessageHeaderSize = 8;  // up to the payload length

// The length of a whole frame at the start of `rest`: 0 when `rest` is not
// a frame start, nullopt when more bytes are needed to tell.
std::optional<size_t> FrameLengthAt(std::span<const uint8_t> rest) {
  if (rest[0] != kFrameStart) return 0;
  if (rest.size() < 2) return std::nullopt;
  size_t length = 0;
  if (rest[1] == kShortHeaderCount) {
    length = kShortFrameSize;
  } else if (rest[1] == kMessageHeaderCount) {
    if (rest.size() < kMessageHeaderSize) return std::nullopt;
    length = kMessageHeaderSize + rest[kMessageHeaderSize - 1] + 1;
  } else {
    return 0;
  }
  if (rest.size() < length) return std::nullopt;
  // The sum byte tells a frame from bytes that only begin like one, which
  // would otherwise make the scan skip over the reply.
  const auto sum = static_cast<uint8_t>(
      std::accumulate(rest.begin(), rest.begin() + length - 1, 0u));
  return sum == rest[length - 1] ? length : 0;
}

bool CouldBecome(std::span<const uint8_t> rest,
                 std::span<const uint8_t> expected) {
  return std::equal(rest.begin(), rest.end(), expected.begin());
}

}  // namespace

ReplyScan ScanForReply(std::span<const uint8_t> bytes,
                       std::span<const uint8_t> expected) {
  size_t at = 0;
  while (at < bytes.size()) {
    const auto rest = bytes.subspan(at);
    if (rest.size() >= expected.size() &&
        std::equal(expected.begin(), expected.end(), rest.begin())) {
      return {true, at};
    }
    const auto frame = FrameLengthAt(rest);
    if (!frame) return {false, at};  // a frame still arriving
    if (*frame == 0 && rest.size() < expected.size() &&
        CouldBecome(rest, expected)) {
      return {false, at};  // the reply itself, still arriving
    }
    at += std::max<size_t>(*frame, 1);
  }
  return {false, at};
}

}  // namespace vlr::link
