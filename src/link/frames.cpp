// Message frames of both families: what RP1210_SendMessage queues for the
// writer thread.
#include "link/frames.h"

#include <algorithm>

namespace vlr::link {
namespace {

using Packet = std::array<uint8_t, kSingleFrameJ1939Size>;

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

// Broadcast transfer: connection management (announce) and data transfer.
constexpr uint8_t kTransferAnnouncePf = 0xEC;
constexpr uint8_t kTransferDataPf = 0xEB;
constexpr uint8_t kBroadcastAnnounce = 0x20;
constexpr uint8_t kTransferPriority = 7;
constexpr uint8_t kGlobalAddress = 0xFF;
constexpr size_t kBytesPerPacket = 7;
constexpr size_t kMaxPackets = 255;  // the count and sequence are one byte

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

// A 14-byte packet of the transfer with its data bytes all 0xFF, so the
// last packet is already padded.
Packet TransferPacket(uint8_t pf, uint8_t source) {
  Packet packet;
  packet.fill(0xFF);
  packet[0] = 0x00;
  packet[1] = pf;
  packet[2] = 0x00;
  packet[3] = kTransferPriority;
  packet[4] = source;
  packet[5] = kGlobalAddress;
  return packet;
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

// 1xx adapters take transfers from address 0. On 2xx the identifier on the
// bus carries the source, so the application's own address goes out;
// address 0 would impersonate whichever node owns it.
BuildResult AppendTransfer(DeviceFamily family,
                           std::span<const uint8_t> message,
                           std::vector<Frame>& out) {
  const uint8_t source = family == DeviceFamily::k1xx ? 0x00 : message[4];
  const auto packets = BroadcastPackets(message, source);
  if (packets.empty()) return BuildResult::kTooLong;
  out.resize(packets.size());
  for (size_t i = 0; i < packets.size(); ++i) {
    if (!BuildJ1939Frame(family, packets[i], out[i])) {
      out.clear();
      return BuildResult::kTooLong;
    }
  }
  return BuildResult::kOk;
}

BuildResult AppendJ1939(DeviceFamily family, std::span<const uint8_t> message,
                        std::vector<Frame>& out) {
  if (message.size() < kJ1939HeaderSize) return BuildResult::kTooLong;
  if (message.size() > kSingleFrameJ1939Size) {
    return AppendTransfer(family, message, out);
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

std::vector<Packet> BroadcastPackets(std::span<const uint8_t> message,
                                     uint8_t source) {
  std::vector<Packet> packets;
  if (message.size() <= kSingleFrameJ1939Size) return packets;
  const auto data = message.subspan(kJ1939HeaderSize);
  const size_t count = (data.size() + kBytesPerPacket - 1) / kBytesPerPacket;
  if (count > kMaxPackets) return packets;
  packets.reserve(count + 1);

  Packet announce = TransferPacket(kTransferAnnouncePf, source);
  const uint8_t announceData[] = {kBroadcastAnnounce,
                                  static_cast<uint8_t>(data.size()),
                                  static_cast<uint8_t>(data.size() >> 8),
                                  static_cast<uint8_t>(count),
                                  0xFF,
                                  message[0],
                                  message[1],
                                  message[2]};
  std::copy(std::begin(announceData), std::end(announceData),
            announce.begin() + kJ1939HeaderSize);
  packets.push_back(announce);

  for (size_t k = 1; k <= count; ++k) {
    Packet packet = TransferPacket(kTransferDataPf, source);
    packet[kJ1939HeaderSize] = static_cast<uint8_t>(k);
    const auto chunk =
        data.subspan((k - 1) * kBytesPerPacket)
            .first(std::min(kBytesPerPacket,
                            data.size() - (k - 1) * kBytesPerPacket));
    std::copy(chunk.begin(), chunk.end(),
              packet.begin() + kJ1939HeaderSize + 1);
    packets.push_back(packet);
  }
  return packets;
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
