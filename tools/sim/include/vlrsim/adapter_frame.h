// The adapter-to-host stream taken apart again. The simulator itself never
// needs this; tests use it to check what the adapter wrote.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vlrsim/family.h"
#include "vlrsim/traffic_source.h"

namespace vlrsim {

struct AdapterFrame {
  enum class Kind : uint8_t { kMessage, kAck, kReady, kOther };
  Kind kind = Kind::kOther;
  Bytes raw;
  // kMessage: as TimedMessage (J1708: id = MID, data without checksum).
  Bus bus = Bus::kJ1939;
  uint32_t id = 0;
  Bytes data;
  // kMessage J1708: the checksum held. 1xx frames: the frame sum is zero.
  bool checksum_ok = true;
  // kAck: the acknowledged channel.
  uint8_t channel = 0;
};

// Decodes a complete stream (no partial frame at the end is kept). Bytes
// that start no frame come out as kOther, one byte each run.
std::vector<AdapterFrame> DecodeAdapterBytes(Family family,
                                             std::span<const uint8_t> bytes);

}  // namespace vlrsim
