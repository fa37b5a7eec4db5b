// What the J1939 network layer takes in and hands back: frames in the
// application layout, a caller-supplied clock, and the events a call
// produced. Nothing here knows about threads, ports or queues.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vlr::network {

using Millis = uint64_t;                 // monotonic, supplied by the caller
using Packet = std::array<uint8_t, 14>;  // one frame to transmit
using Name = std::array<uint8_t, 8>;     // least significant byte first
constexpr size_t kMaxTransportData = 1785;

struct Options {
  bool reassemble = true;         // false: the application does its own
  size_t maxRtsCtsSessions = 16;  // concurrent sessions, each direction
  uint32_t interpacketMs = 50;    // BAM data spacing; 0 = as fast as taken
};

// Whether the caller still hands the raw frame to the application.
enum class Disposition { kDeliver, kConsumed };

// A reassembled message: 6-byte header + 9..1785 data bytes.
struct Record {
  std::vector<uint8_t> message;
};

// A Send() finished; `message` is what was sent (for the echo).
struct TransferEnd {
  uint32_t id = 0;
  bool ok = false;
  std::vector<uint8_t> message;
};

enum class ClaimState { kNone, kPending, kClaimed, kLost };

// A claim left kPending (kClaimed or kLost).
struct ClaimEnd {
  uint8_t address = 0;
  ClaimState state = ClaimState::kNone;
};

struct Events {
  std::vector<Record> records;
  std::vector<TransferEnd> ended;
  std::vector<ClaimEnd> claims;
  void Clear();
};

enum class SendResult { kStarted, kBusy, kTooLong, kAddressLost };

}  // namespace vlr::network
