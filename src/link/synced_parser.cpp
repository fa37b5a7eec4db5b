// Parser of the 2xx family's byte stream. Every frame starts with 01 and a
// header count, so after garbage or a damaged frame the scan finds the next
// frame by stepping one byte at a time.
#include <algorithm>
#include <optional>

#include "link/parser.h"

namespace vlr::link {
namespace {

constexpr int kNotifyValue = 0;
constexpr uint8_t kFrameStart = 0x01;

// Message frame: 01 05 channel, 4 bytes, payload length n, payload, sum.
constexpr uint8_t kMessageHeaderCount = 0x05;
constexpr uint8_t kChannelJ1708 = 0x01;
constexpr uint8_t kChannelJ1939 = 0x02;
constexpr size_t kMessageHeaderSize = 8;
constexpr size_t kPayloadLengthOffset = 7;
constexpr size_t kMessageOverhead = kMessageHeaderSize + 1;

// Short frame: 01 01 channel 00 sum. Channel 09 is the ready frame that
// re-opens J1708 transmission; channels 01, 02 and 08 acknowledge a command.
constexpr uint8_t kShortHeaderCount = 0x01;
constexpr uint8_t kChannelReady = 0x09;
constexpr size_t kShortFrameSize = 5;

// Fewer bytes than this cannot be told apart from a frame start yet.
constexpr size_t kMinScanBytes = 3;

// The longest tail this parser keeps: a message frame short of its last
// payload byte.
constexpr size_t kLongestTail = kMessageHeaderSize + 255 - 1;
static_assert(kLongestTail <= KeptTail{}.bytes.size());

bool IsShortFrameChannel(uint8_t channel) {
  return channel == 0x01 || channel == 0x02 || channel == 0x08 ||
         channel == kChannelReady;
}

// The whole short frame of `channel` in the first `size` bytes.
bool MatchesShortFrame(std::span<const uint8_t> bytes, size_t size) {
  const uint8_t channel = bytes[2];
  const std::array<uint8_t, kShortFrameSize> frame{
      kFrameStart, kShortHeaderCount, channel, 0x00,
      static_cast<uint8_t>(kFrameStart + kShortHeaderCount + channel)};
  return IsShortFrameChannel(channel) &&
         std::equal(frame.begin(), frame.begin() + size, bytes.begin());
}

// `rest` holds at least kMinScanBytes bytes.
bool IsCutShortFrame(std::span<const uint8_t> rest) {
  return rest.size() < kShortFrameSize && MatchesShortFrame(rest, rest.size());
}

bool IsShortFrame(std::span<const uint8_t> rest) {
  return rest.size() >= kShortFrameSize &&
         MatchesShortFrame(rest, kShortFrameSize);
}

bool IsMessageStart(std::span<const uint8_t> rest, uint8_t channel) {
  return rest[0] == kFrameStart && rest[1] == kMessageHeaderCount &&
         rest[2] == channel;
}

// One call's scan over the kept tail followed by the new read.
class SyncedScan {
 public:
  SyncedScan(std::span<const uint8_t> read, KeptTail& tail, ParserSink& sink);
  void Run();

 private:
  // Each returns where the scan goes on, or nullopt once the bytes from
  // `at` are kept for the next read.
  std::optional<size_t> Step(size_t at);
  size_t TakeShortFrame(std::span<const uint8_t> rest);
  std::optional<size_t> TakeJ1708Frame(size_t at);
  std::optional<size_t> TakeJ1939Frame(size_t at);

  // The payload of the message frame at `at`, or nullopt when the frame
  // runs past the end of the data.
  std::optional<std::span<const uint8_t>> PayloadAt(size_t at) const;
  std::span<const uint8_t> Rest(size_t at) const {
    return {buffer_.data() + at, total_ - at};
  }
  std::nullopt_t KeepFrom(size_t at);

  KeptTail& tail_;
  ParserSink& sink_;
  std::array<uint8_t, KeptTail{}.bytes.size() + kMaxReadSize> buffer_;
  size_t total_ = 0;
};

SyncedScan::SyncedScan(std::span<const uint8_t> read, KeptTail& tail,
                       ParserSink& sink)
    : tail_(tail), sink_(sink) {
  // A count beyond the tail's capacity can only be a damaged record; its
  // bytes are not trusted.
  const size_t kept = tail.count <= tail.bytes.size() ? tail.count : 0;
  std::copy_n(tail.bytes.begin(), kept, buffer_.begin());
  std::copy(read.begin(), read.end(), buffer_.begin() + kept);
  total_ = kept + read.size();
  tail_.count = 0;
}

void SyncedScan::Run() {
  size_t at = 0;
  while (at < total_) {
    const std::optional<size_t> next = Step(at);
    if (!next) return;
    at = *next;
  }
}

std::optional<size_t> SyncedScan::Step(size_t at) {
  const std::span<const uint8_t> rest = Rest(at);
  // A ready frame or acknowledgement cut by the end of the read is kept
  // whole: the adapter sends the next ready frame only after the next J1708
  // write, so a lost one would stop J1708 transmission for good.
  if (rest.size() < kMinScanBytes || IsCutShortFrame(rest)) return KeepFrom(at);
  if (IsShortFrame(rest)) return at + TakeShortFrame(rest);
  if (IsMessageStart(rest, kChannelJ1708) && sink_.Wants(ParseProtocol::kJ1708))
    return TakeJ1708Frame(at);
  if (IsMessageStart(rest, kChannelJ1939) && sink_.Wants(ParseProtocol::kJ1939))
    return TakeJ1939Frame(at);
  return at + 1;
}

// Returns the number of bytes passed over.
size_t SyncedScan::TakeShortFrame(std::span<const uint8_t> rest) {
  const uint8_t channel = rest[2];
  if (channel != kChannelReady) {
    sink_.CommandAcknowledged(channel);
    return kShortFrameSize;
  }
  // Whether a ready frame counts is decided once it is whole, by the flag as
  // it is then: while transmission is open its bytes are scanned over.
  if (sink_.OkToSend()) return 1;
  sink_.SetOkToSend();
  return kShortFrameSize;
}

std::optional<size_t> SyncedScan::TakeJ1708Frame(size_t at) {
  const auto payload = PayloadAt(at);
  if (!payload) return KeepFrom(at);
  // A damaged or filtered frame may be a false start inside other bytes, so
  // the scan resumes at its second byte rather than trusting its length.
  if (payload->empty() || !SumIsZero(*payload) ||
      !sink_.AcceptJ1708(payload->front()))
    return at + 1;
  sink_.DeliverJ1708(*payload, kNotifyValue);
  return at + kMessageOverhead + payload->size();
}

std::optional<size_t> SyncedScan::TakeJ1939Frame(size_t at) {
  const auto payload = PayloadAt(at);
  if (!payload) return KeepFrom(at);
  // The frame's own sum is not tested, nor is a filter applied: this adapter
  // family is programmed with the J1939 identifier filters and applies them.
  std::array<uint8_t, kMaxRecordSize> record;
  const size_t length = ConvertJ1939Message(*payload, record);
  // Too short for its own data count: damaged or a false start, treated
  // like a bad J1708 frame.
  if (length == 0) return at + 1;
  sink_.DeliverJ1939({record.data(), length}, kNotifyValue);
  return at + kMessageOverhead + payload->size();
}

std::optional<std::span<const uint8_t>> SyncedScan::PayloadAt(size_t at) const {
  const std::span<const uint8_t> rest = Rest(at);
  if (rest.size() < kMessageHeaderSize) return std::nullopt;
  const size_t length = rest[kPayloadLengthOffset];
  if (rest.size() < kMessageHeaderSize + length) return std::nullopt;
  return rest.subspan(kMessageHeaderSize, length);
}

std::nullopt_t SyncedScan::KeepFrom(size_t at) {
  const std::span<const uint8_t> rest = Rest(at);
  std::copy(rest.begin(), rest.end(), tail_.bytes.begin());
  tail_.count = rest.size();
  return std::nullopt;
}

}  // namespace

void ParseSyncedFrames(std::span<const uint8_t> read, KeptTail& tail,
                       ParserSink& sink) {
  // A read longer than the reader ever makes is taken as consecutive reads;
  // read boundaries change nothing that this parser delivers.
  while (!read.empty()) {
    const auto chunk = read.first(std::min(read.size(), kMaxReadSize));
    SyncedScan(chunk, tail, sink).Run();
    read = read.subspan(chunk.size());
  }
}

}  // namespace vlr::link
