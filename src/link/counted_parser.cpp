// Parser of the byte stream of devices 101 and 102, whose frames begin with
// their own length byte. J1708 frames are found by trusting each length
// byte; a J1939 frame is recognised by its length and the mark after it, and
// taken only where its end is confirmed.
#include <algorithm>
#include <optional>

#include "link/parser.h"

namespace vlr::link {
namespace {

constexpr int kNotifyValue = 1;
// A read that begins with this byte is not frame data and is ignored whole.
constexpr uint8_t kIgnoredReadStart = 0x00;

// J1708 frame: length L, 3 bytes, the J1708 message (MID, data, checksum),
// 1 byte.
constexpr size_t kMinJ1708FrameSize = 8;
constexpr size_t kJ1708MessageOffset = 4;
constexpr size_t kJ1708FrameOverhead = kJ1708MessageOffset + 1;

// J1939 frame: length L, the mark, 2 bytes, the 14-byte record, sum. A
// length below 18 cannot hold the record (and 0 would not advance the scan),
// so such bytes never count as a frame start.
constexpr uint8_t kJ1939Mark = 0x84;
constexpr size_t kMinJ1939FrameSize = 18;
constexpr size_t kMaxJ1939FrameSize = 19;
constexpr size_t kJ1939RecordOffset = 4;
constexpr size_t kJ1939RecordSize = 14;
constexpr uint8_t kFirstBroadcastFormat = 240;

using J1939Record = std::array<uint8_t, kJ1939RecordSize>;

bool IsJ1939FrameLength(uint8_t length) {
  return length >= kMinJ1939FrameSize && length <= kMaxJ1939FrameSize;
}

bool IsJ1939FrameStart(std::span<const uint8_t> data, size_t at) {
  return at + 1 < data.size() && IsJ1939FrameLength(data[at]) &&
         data[at + 1] == kJ1939Mark;
}

void KeepFrom(std::span<const uint8_t> data, size_t at, KeptTail& tail) {
  const auto rest = data.subspan(at);
  std::copy(rest.begin(), rest.end(), tail.bytes.begin());
  tail.count = rest.size();
}

// The position of the next J1939 frame from `start` that either closes the
// data or is followed by the start of another frame. Returns nullopt when
// there is none; a frame whose end cannot be confirmed yet is kept in `tail`.
std::optional<size_t> FindCountedFrame(size_t start,
                                       std::span<const uint8_t> data,
                                       KeptTail& tail) {
  for (size_t at = start; at < data.size(); ++at) {
    // A read may end right after a frame's length byte; the mark that
    // confirms it comes with the next read.
    if (at + 1 == data.size() && IsJ1939FrameLength(data[at])) {
      KeepFrom(data, at, tail);
      return std::nullopt;
    }
    if (!IsJ1939FrameStart(data, at)) continue;
    const size_t end = at + data[at];
    if (end == data.size()) return at;
    if (end + 2 > data.size()) {
      KeepFrom(data, at, tail);
      return std::nullopt;
    }
    if (IsJ1939FrameStart(data, end)) return at;
  }
  return std::nullopt;
}

// One call's scan over the kept tail followed by the new read.
class CountedScan {
 public:
  CountedScan(std::span<const uint8_t> read, KeptTail& tail, ParserSink& sink);
  void Run();

 private:
  // Each returns where the scan goes on, or nullopt when it ends here.
  std::optional<size_t> TakeJ1708Frame(size_t at);
  std::optional<size_t> TakeJ1939Frame(size_t at);
  std::optional<size_t> TakeEitherFrame(size_t at);
  void DeliverJ1939(std::span<const uint8_t> frame);
  std::span<const uint8_t> Data() const { return {buffer_.data(), total_}; }

  KeptTail& tail_;
  ParserSink& sink_;
  std::array<uint8_t, KeptTail{}.bytes.size() + kMaxReadSize> buffer_;
  size_t total_ = 0;
};

CountedScan::CountedScan(std::span<const uint8_t> read, KeptTail& tail,
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

void CountedScan::Run() {
  const bool j1708 = sink_.Wants(ParseProtocol::kJ1708);
  const bool j1939 = sink_.Wants(ParseProtocol::kJ1939);
  if (!j1708 && !j1939) return;
  size_t at = 0;
  while (at < total_) {
    const std::optional<size_t> next = j1708 && j1939 ? TakeEitherFrame(at)
                                       : j1708        ? TakeJ1708Frame(at)
                                                      : TakeJ1939Frame(at);
    if (!next) return;
    at = *next;
  }
}

// J1708 frames carry no mark to resynchronise on: every length byte is
// trusted, and one too small to be a frame ends the parsing of this data.
std::optional<size_t> CountedScan::TakeJ1708Frame(size_t at) {
  const std::span<const uint8_t> data = Data();
  const size_t length = data[at];
  if (at + length > data.size()) {
    KeepFrom(data, at, tail_);
    return std::nullopt;
  }
  if (length < kMinJ1708FrameSize) return std::nullopt;
  const auto message =
      data.subspan(at + kJ1708MessageOffset, length - kJ1708FrameOverhead);
  if (SumIsZero(message) && sink_.AcceptJ1708(message.front())) {
    sink_.DeliverJ1708(message, kNotifyValue);
  }
  return at + length;
}

// With clients of both protocols the stream carries both kinds of frame,
// each led by its length. A J1939 frame shows itself by its mark and its
// sum; anything else is taken as a J1708 frame, whose length is trusted.
std::optional<size_t> CountedScan::TakeEitherFrame(size_t at) {
  const std::span<const uint8_t> data = Data();
  if (!IsJ1939FrameStart(data, at)) return TakeJ1708Frame(at);
  const size_t length = data[at];
  if (at + length > data.size()) {
    KeepFrom(data, at, tail_);
    return std::nullopt;
  }
  const auto frame = data.subspan(at, length);
  if (!SumIsZero(frame)) return TakeJ1708Frame(at);
  DeliverJ1939(frame);
  return at + length;
}

std::optional<size_t> CountedScan::TakeJ1939Frame(size_t at) {
  const std::optional<size_t> start = FindCountedFrame(at, Data(), tail_);
  if (!start) return std::nullopt;
  const auto frame = Data().subspan(*start, buffer_[*start]);
  if (SumIsZero(frame)) DeliverJ1939(frame);
  return *start + frame.size();
}

void CountedScan::DeliverJ1939(std::span<const uint8_t> frame) {
  J1939Record record;
  std::copy_n(frame.begin() + kJ1939RecordOffset, record.size(),
              record.begin());
  // Below PF 240 the PS byte is the destination, not part of the PGN, so
  // the PGN's low byte is cleared whatever the adapter put there.
  if (record[1] < kFirstBroadcastFormat) record[0] = 0;
  if (sink_.AcceptJ1939(record.data())) {
    sink_.DeliverJ1939(record, kNotifyValue);
  }
}

}  // namespace

void ParseCountedFrames(std::span<const uint8_t> read, KeptTail& tail,
                        ParserSink& sink) {
  // The kept tail waits for the next read that carries frame data. A read
  // that goes on from a kept tail is the rest of a frame, whatever its
  // first byte: a read may end anywhere in a frame, and a data byte of 00
  // may begin the next one.
  if (read.empty()) return;
  if (tail.count == 0 && read.front() == kIgnoredReadStart) return;
  // A read longer than the reader ever makes is taken as consecutive reads.
  while (!read.empty()) {
    const auto chunk = read.first(std::min(read.size(), kMaxReadSize));
    CountedScan(chunk, tail, sink).Run();
    read = read.subspan(chunk.size());
  }
}

}  // namespace vlr::link
