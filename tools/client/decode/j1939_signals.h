// Engineering values of the common parameters (SPNs) of the groups a
// running vehicle broadcasts, scaled as J1939 defines them. A parameter
// whose raw value is in the "error" or "not available" range is left out,
// so a reading is never invented from 0xFF filler.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vlrdecode {

struct Signal {
  std::string name;
  double value = 0;
  std::string unit;

  bool operator==(const Signal&) const = default;
};

std::vector<Signal> DecodeJ1939Signals(uint32_t pgn,
                                       std::span<const uint8_t> data);

}  // namespace vlrdecode
