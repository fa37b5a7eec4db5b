// Message frames of both families: what RP1210_SendMessage queues for the
// writer thread.
#include "link/frames.h"

#include <algorithm>

namespace vlr::link {
namespace {

constexpr size_t kMaxMessageSize = 512;
constexpr size_t kMinJ1708Size = 2;      // priority and MID
constexpr size_t kMaxLengthField = 255;  // one-byte length fields
constexpr uint8_t kLastDestinationSpecificPf = 0xEF;

constexpr uint8_t kCountedMarker[] = {0x6F, 0xDE};
constexpr uint8_t kCountedJ1708Type = 0x80;
constexpr uint8_t kCountedJ1939Type = 0x83;
constexpr uint8_t kSyncedJ1708Header[] = {0x01, 0x03, channel::kJ1708, 0x12,
                                          0x01};
constexpr uint8_t kSyncedJ1939Header[] = {0x01, 0x06, channel::kJ1939, 0x02};

// Callers check the final length against kMaxFrameSize before writing.
void Put(Frame& frame, uint8_t byte) { frame.bytes[frame.length++] = byte; }

void Put(Frame& frame, std::span<const uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), frame.bytes.begin() + frame.length);
  frame.length += bytes.size();
}

void PutBigEndian(Frame& frame, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    Put(frame, static_cast<uint8_t>(value >> shift));
  }
}

bool BuildJ1939Frame(DeviceFamily family, std::span<const uint8_t> message,
                     Frame& out) {
  return family == DeviceFamily::k1xx ? BuildJ1939Frame1xx(message, out)
                                      : BuildJ1939Frame2xx(message, out);
}

BuildResult AppendJ1708(DeviceFamily family, bool raw,
                        std::span<const uint8_t> message,
                        std::vector<Frame>& out) {
  Frame frame;
  const bool built = family == DeviceFamily::k1xx
                         ? BuildJ1708Frame1xx(message, raw, frame)
                         : BuildJ1708Frame2xx(message, raw, frame);
  if (!built) return BuildResult::kTooLong;
  out.push_back(frame);
  return BuildResult::kOk;
}

BuildResult AppendJ1939(DeviceFamily family, std::span<const uint8_t> message,
                        std::vector<Frame>& out) {
  // Longer messages go by the client's transport, never as frames here.
  if (message.size() < kJ1939HeaderSize ||
      message.size() > kSingleFrameJ1939Size) {
    return BuildResult::kTooLong;
  }
  Frame frame;
  if (!BuildJ1939Frame(family, message, frame)) return BuildResult::kTooLong;
  out.push_back(frame);
  return BuildResult::kOk;
}

}  // namespace

uint8_t PlainSum(std::span<const uint8_t> bytes) {
  unsigned sum = 0;
  for (uint8_t byte : bytes) sum += byte;
  return static_cast<uint8_t>(sum);
}

uint8_t NegatedSum(std::span<const uint8_t> bytes) {
  return static_cast<uint8_t>(0x100 - PlainSum(bytes));
}

uint32_t J1939Identifier(const uint8_t* header) {
  const uint8_t pf = header[1];
  const uint8_t ps = pf <= kLastDestinationSpecificPf ? header[5] : header[0];
  const uint32_t dataPage = header[2] == 1 ? 1 : 0;
  return (uint32_t{header[3] & 0x07u} << 26) | (dataPage << 24) |
         (uint32_t{pf} << 16) | (uint32_t{ps} << 8) | header[4];
}

bool BuildJ1708Frame1xx(std::span<const uint8_t> message, bool raw,
                        Frame& out) {
  if (message.size() < kMinJ1708Size) return false;
  const auto j1708 = message.subspan(1);  // the priority is not sent
  const size_t total = 4 + j1708.size() + (raw ? 0 : 1) + 1;
  if (total > kMaxLengthField) return false;
  out.length = 0;
  Put(out, static_cast<uint8_t>(total));
  Put(out, kCountedMarker);
  Put(out, kCountedJ1708Type);
  Put(out, j1708);
  if (!raw) Put(out, NegatedSum(j1708));
  Put(out, NegatedSum(out.View()));
  return true;
}

bool BuildJ1708Frame2xx(std::span<const uint8_t> message, bool raw,
                        Frame& out) {
  if (message.size() < kMinJ1708Size) return false;
  const auto j1708 = message.subspan(1);
  const size_t dataLength = j1708.size() + (raw ? 0 : 1);
  if (dataLength > kMaxLengthField) return false;
  out.length = 0;
  Put(out, kSyncedJ1708Header);
  Put(out, static_cast<uint8_t>(dataLength));
  Put(out, j1708);
  if (!raw) Put(out, NegatedSum(j1708));
  Put(out, PlainSum(out.View()));
  return true;
}

bool BuildJ1939Frame1xx(std::span<const uint8_t> message, Frame& out) {
  if (message.size() < kJ1939HeaderSize ||
      message.size() > kSingleFrameJ1939Size) {
    return false;
  }
  out.length = 0;
  Put(out, static_cast<uint8_t>(message.size() + 5));
  Put(out, kCountedMarker);
  Put(out, kCountedJ1939Type);
  Put(out, message);
  // The adapter takes the PS byte from the first payload byte, so a
  // destination-specific message must carry its destination there.
  if (message[1] <= kLastDestinationSpecificPf) out.bytes[4] = message[5];
  Put(out, NegatedSum(out.View()));
  return true;
}

bool BuildJ1939Frame2xx(std::span<const uint8_t> message, Frame& out) {
  if (message.size() < kJ1939HeaderSize ||
      message.size() > kSingleFrameJ1939Size) {
    return false;
  }
  const auto data = message.subspan(kJ1939HeaderSize);
  out.length = 0;
  Put(out, kSyncedJ1939Header);
  PutBigEndian(out, J1939Identifier(message.data()) << 3);
  Put(out, static_cast<uint8_t>(data.size()));
  Put(out, data);
  Put(out, PlainSum(out.View()));
  return true;
}

BuildResult BuildMessageFrames(int32_t deviceId, bool j1939, bool raw,
                               std::span<const uint8_t> message,
                               std::vector<Frame>& out) {
  out.clear();
  if (message.size() > kMaxMessageSize) return BuildResult::kTooLong;
  const DeviceFamily family = FramingFamilyOf(deviceId);
  if (family == DeviceFamily::kNone) return BuildResult::kNoFraming;
  return j1939 ? AppendJ1939(family, message, out)
               : AppendJ1708(family, raw, message, out);
}

}  // namespace vlr::link
