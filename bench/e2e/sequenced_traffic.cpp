#include "sequenced_traffic.h"

namespace vlr::bench {
namespace {

constexpr size_t kTimestampBytes = 4;
constexpr size_t kJ1939HeaderBytes = 6;

// Every byte the simulator wrote, in order, with the instant each chunk's
// write ended and the offset just past it.
struct JoinedChunks {
  vlrsim::Bytes bytes;
  std::vector<size_t> ends;
  std::vector<Clock::time_point> at;
};

JoinedChunks Join(const std::vector<vlrsim::Chunk>& chunks) {
  JoinedChunks joined;
  for (const vlrsim::Chunk& chunk : chunks) {
    joined.bytes.insert(joined.bytes.end(), chunk.bytes.begin(),
                        chunk.bytes.end());
    joined.ends.push_back(joined.bytes.size());
    joined.at.push_back(chunk.at);
  }
  return joined;
}

}  // namespace

std::array<uint8_t, 8> SequenceData(uint32_t sequence) {
  std::array<uint8_t, 8> data{};
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<uint8_t>(sequence >> (24 - 8 * i));
    data[i] = byte;
    data[4 + i] = static_cast<uint8_t>(~byte);
  }
  return data;
}

std::optional<uint32_t> SequenceOf(std::span<const uint8_t> data) {
  if (data.size() != 8) return std::nullopt;
  uint32_t sequence = 0;
  for (int i = 0; i < 4; ++i) {
    if (static_cast<uint8_t>(~data[i]) != data[4 + i]) return std::nullopt;
    sequence = sequence << 8 | data[i];
  }
  return sequence;
}

std::optional<uint32_t> SequenceOfRead(std::span<const uint8_t> read) {
  if (read.size() < kTimestampBytes + kJ1939HeaderBytes) return std::nullopt;
  return SequenceOf(read.subspan(kTimestampBytes + kJ1939HeaderBytes));
}

std::optional<vlrsim::TimedMessage> SequencedSource::Next() {
  if (next_ >= count_) return std::nullopt;
  vlrsim::TimedMessage message;
  message.at =
      std::chrono::duration_cast<std::chrono::microseconds>(interval_ * next_);
  message.bus = vlrsim::Bus::kJ1939;
  message.id = kIdentifier;
  const auto data = SequenceData(next_);
  message.data.assign(data.begin(), data.end());
  ++next_;
  return message;
}

Instants FrameWriteTimes(const std::vector<vlrsim::Chunk>& adapterChunks,
                         uint32_t count, vlrsim::Family family) {
  const JoinedChunks joined = Join(adapterChunks);
  Instants written(count);
  size_t offset = 0;
  size_t chunk = 0;
  for (const auto& frame : vlrsim::DecodeAdapterBytes(family, joined.bytes)) {
    offset += frame.raw.size();
    if (frame.kind != vlrsim::AdapterFrame::Kind::kMessage ||
        frame.id != kIdentifier) {
      continue;
    }
    const auto sequence = SequenceOf(frame.data);
    if (!sequence || *sequence >= count) continue;
    while (joined.ends[chunk] < offset) ++chunk;
    written[*sequence] = joined.at[chunk];
  }
  return written;
}

}  // namespace vlr::bench
