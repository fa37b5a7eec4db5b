// What the host wrote, taken apart into frames. Both families are decoded
// by one incremental decoder that is fed the host's bytes as they arrive.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "vlrsim/family.h"
#include "vlrsim/traffic_source.h"

namespace vlrsim {

struct HostFrame {
  enum class Kind : uint8_t {
    kMessage,  // a J1708 or J1939 message frame
    kCommand,  // a 2xx frame that is not a message frame (data length 0)
    kOther,    // bytes that form no valid frame: wake-up run, garbage, bad sums
  };
  Kind kind = Kind::kOther;
  // When the last byte of the frame arrived.
  Clock::time_point at{};
  // The frame exactly as written.
  Bytes raw;

  // kMessage only.
  Bus bus = Bus::kJ1939;
  // J1939: the 29-bit identifier. For the 1xx frame it is rebuilt from the
  // application layout the frame carries (priority = how & 7, data page,
  // PF, the PS byte after the host's destination substitution, source).
  // J1708: the MID.
  uint32_t id = 0;
  // J1939: the data bytes. J1708: the bytes after the MID, without the last
  // byte (the J1708 checksum in converted mode).
  Bytes data;
  // J1708: the message as sent, MID through checksum. J1939 (1xx): the
  // application layout (6..14 bytes). J1939 (2xx): empty.
  Bytes payload;
  // J1708: the message (MID .. last byte) sums to zero. J1939: true.
  bool checksum_ok = true;

  // kCommand only (2xx): channel, code, the remaining header bytes.
  uint8_t channel = 0;
  uint8_t code = 0;
  Bytes args;

  // A message frame turned into the bus message it carries (timing zero).
  TimedMessage AsMessage() const;
};

// Feeds on the host's byte stream and returns every frame it completes.
// Bytes that cannot begin a valid frame come out as kOther runs; a frame
// held back because its end has not arrived comes out on Flush (as kOther,
// when it cannot be completed).
class HostFrameDecoder {
 public:
  explicit HostFrameDecoder(Family family);
  ~HostFrameDecoder();
  HostFrameDecoder(HostFrameDecoder&&) noexcept;
  HostFrameDecoder& operator=(HostFrameDecoder&&) noexcept;

  std::vector<HostFrame> Feed(std::span<const uint8_t> bytes,
                              Clock::time_point at = Clock::now());
  // Gives up on a partial frame: returns the held bytes as kOther (none when
  // nothing is held). The I/O thread calls this after a quiet gap.
  std::vector<HostFrame> Flush(Clock::time_point at = Clock::now());
  // Bytes held back waiting for the rest of a frame.
  size_t Pending() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Convenience: decode a whole byte string at once (Feed then Flush).
std::vector<HostFrame> DecodeHostBytes(Family family,
                                       std::span<const uint8_t> bytes);

}  // namespace vlrsim
