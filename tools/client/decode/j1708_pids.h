// J1708 messages in the J1587 layout: after the MID, a run of parameters,
// each a PID followed by its value. The PID says how long its value is:
// 0-127 one byte, 128-191 two bytes, 192-253 a count byte then that many
// bytes; 255 moves the next PID to page 2 (256-511) with the same rule;
// 254 carries the rest of the message as proprietary data.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "j1939_signals.h"

namespace vlrdecode {

struct PidValue {
  uint16_t pid = 0;
  std::vector<uint8_t> bytes;  // the value, without a count byte
  bool operator==(const PidValue&) const = default;
};

struct PidSplit {
  std::vector<PidValue> parameters;
  // False when the message ends inside a parameter; the parameters before
  // it are still listed.
  bool complete = true;
};

PidSplit SplitPids(std::span<const uint8_t> data);

// "Engine #1"; nothing for a MID without a name here.
std::optional<std::string> MidName(uint8_t mid);

// The value of a PID whose unit is known here, in the unit J1587 defines
// it in; nothing otherwise (or when the value has the wrong length).
std::optional<Signal> DecodePid(const PidValue& parameter);

}  // namespace vlrdecode
