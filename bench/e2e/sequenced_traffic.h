// J1939 traffic whose every frame carries its sequence number, so a loss,
// a repeat or a reordering anywhere between the simulated adapter and the
// application shows up when the application reads it, and each frame can
// be matched with the instant it went onto the line.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "vlrsim/vlrsim.h"

namespace vlr::bench {

using Clock = vlrsim::Clock;

// CCVS from the engine (priority 6, PGN 0xFEF1, source 0): an ordinary
// broadcast that every filter setting of the benchmarks passes.
inline constexpr uint32_t kIdentifier = 0x18FEF100;
// Sent after the measured traffic to wake a blocking read at the end.
inline constexpr uint32_t kEndMarker = 0xFFFFFFFFu;

// One 2xx J1939 message frame: 01 05 02, four stamp bytes, count 13, the
// identifier, 8, eight data bytes, sum.
inline constexpr int kFrameBytes = 22;
// The line's pace for such frames: ten bits a byte at 115200 baud, about
// 524 frames per second.
inline constexpr std::chrono::nanoseconds kLineRateInterval{
    1'000'000'000LL * kFrameBytes * 10 / 115200};

// The eight data bytes: the number, most significant byte first, then its
// complement, which tells a sequenced frame from any other.
std::array<uint8_t, 8> SequenceData(uint32_t sequence);
std::optional<uint32_t> SequenceOf(std::span<const uint8_t> data);
// The number carried by what RP1210_ReadMessage wrote (echo mode off): four
// timestamp bytes, the six-byte J1939 header, then the data.
std::optional<uint32_t> SequenceOfRead(std::span<const uint8_t> read);

// Frames 0 .. count-1, one every `interval`; a zero interval makes them
// all due at once, and the simulator then writes as fast as the line takes.
class SequencedSource : public vlrsim::TrafficSource {
 public:
  SequencedSource(uint32_t count, std::chrono::nanoseconds interval)
      : count_(count), interval_(interval) {}
  std::optional<vlrsim::TimedMessage> Next() override;

 private:
  uint32_t count_;
  std::chrono::nanoseconds interval_;
  uint32_t next_ = 0;
};

using Instants = std::vector<std::optional<Clock::time_point>>;

// When the simulator finished writing each sequenced frame, indexed by its
// number (below `count`); empty where the frame never went out whole.
// Throttled output is written in slices of a few milliseconds, so a frame
// counts as written with the slice that holds its last byte.
Instants FrameWriteTimes(const std::vector<vlrsim::Chunk>& adapterChunks,
                         uint32_t count,
                         vlrsim::Family family = vlrsim::Family::k2xx);

}  // namespace vlr::bench
