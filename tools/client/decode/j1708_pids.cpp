#include "j1708_pids.h"

#include <array>

namespace vlrdecode {
namespace {

constexpr uint8_t kDataLinkEscape = 254;
constexpr uint8_t kPageExtension = 255;

struct PidDefinition {
  uint16_t pid;
  const char* name;
  double resolution;
  bool is_signed;
  const char* unit;
};

constexpr std::array kPids = {
    PidDefinition{84, "road speed", 0.805, false, "km/h"},
    PidDefinition{91, "accelerator pedal", 0.4, false, "%"},
    PidDefinition{92, "engine load", 0.5, false, "%"},
    PidDefinition{96, "fuel level", 0.5, false, "%"},
    PidDefinition{100, "engine oil pressure", 0.5, false, "psi"},
    PidDefinition{102, "boost pressure", 0.125, false, "psi"},
    PidDefinition{105, "intake manifold temperature", 1.0, false, "F"},
    PidDefinition{110, "coolant temperature", 1.0, false, "F"},
    PidDefinition{116, "brake application pressure", 0.6, false, "psi"},
    PidDefinition{117, "brake primary pressure", 0.6, false, "psi"},
    PidDefinition{168, "battery potential", 0.05, false, "V"},
    PidDefinition{171, "ambient air temperature", 0.25, true, "F"},
    PidDefinition{173, "exhaust gas temperature", 0.25, true, "F"},
    PidDefinition{174, "fuel temperature", 0.25, true, "F"},
    PidDefinition{175, "engine oil temperature", 0.25, true, "F"},
    PidDefinition{177, "transmission oil temperature", 0.25, true, "F"},
    PidDefinition{183, "fuel rate", 1.0 / 64.0, false, "gal/h"},
    PidDefinition{184, "instantaneous fuel economy", 1.0 / 256.0, false, "mpg"},
    PidDefinition{190, "engine speed", 0.25, false, "rpm"},
    PidDefinition{191, "transmission output shaft speed", 0.25, false, "rpm"},
    PidDefinition{245, "total vehicle distance", 0.161, false, "km"},
    PidDefinition{247, "total engine hours", 0.05, false, "h"},
};

// Bytes of a value by the PID's range; 0 for a variable-length PID, whose
// first byte is the count.
std::size_t FixedLength(uint16_t pid) {
  const uint16_t in_page = pid % 256;
  if (in_page < 128) return 1;
  if (in_page < 192) return 2;
  return 0;
}

PidSplit Incomplete(PidSplit split) {
  split.complete = false;
  return split;
}

}  // namespace

PidSplit SplitPids(std::span<const uint8_t> data) {
  PidSplit split;
  std::size_t at = 0;
  while (at < data.size()) {
    uint16_t pid = data[at++];
    if (pid == kDataLinkEscape) {
      split.parameters.push_back(
          {pid, {data.begin() + static_cast<std::ptrdiff_t>(at), data.end()}});
      return split;
    }
    if (pid == kPageExtension) {
      if (at == data.size()) return Incomplete(std::move(split));
      pid = static_cast<uint16_t>(256 + data[at++]);
    }
    std::size_t length = FixedLength(pid);
    if (length == 0) {
      if (at == data.size()) return Incomplete(std::move(split));
      length = data[at++];
    }
    if (at + length > data.size()) return Incomplete(std::move(split));
    const auto from = data.begin() + static_cast<std::ptrdiff_t>(at);
    split.parameters.push_back(
        {pid, {from, from + static_cast<std::ptrdiff_t>(length)}});
    at += length;
  }
  return split;
}

std::optional<std::string> MidName(uint8_t mid) {
  switch (mid) {
    case 128:
      return "Engine #1";
    case 130:
      return "Transmission";
    case 136:
      return "Brakes, power unit";
    case 137:
      return "Brakes, trailer #1";
    case 140:
      return "Instrument cluster";
    case 142:
      return "Vehicle management system";
    default:
      return std::nullopt;
  }
}

std::optional<Signal> DecodePid(const PidValue& parameter) {
  for (const PidDefinition& definition : kPids) {
    if (definition.pid != parameter.pid) continue;
    const std::vector<uint8_t>& b = parameter.bytes;
    double raw = 0;
    if (b.size() == 1 && FixedLength(definition.pid) == 1) {
      raw = b[0];
    } else if (b.size() == 2 && FixedLength(definition.pid) == 2) {
      const uint16_t word = static_cast<uint16_t>(b[0] | b[1] << 8);
      raw = definition.is_signed ? static_cast<int16_t>(word) : word;
    } else if (b.size() == 4 && FixedLength(definition.pid) == 0) {
      raw = b[0] | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 |
            uint32_t{b[3]} << 24;
    } else {
      return std::nullopt;
    }
    return Signal{std::string("PID ") + std::to_string(definition.pid) + " " +
                      definition.name,
                  raw * definition.resolution, definition.unit};
  }
  return std::nullopt;
}

}  // namespace vlrdecode
