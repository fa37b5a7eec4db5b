#include "j1939_signals.h"

#include <array>
#include <optional>

namespace vlrdecode {
namespace {

struct SignalDefinition {
  uint32_t pgn;
  const char* name;
  uint8_t first_byte;  // 0-based; J1939 documents count from 1
  uint8_t size;        // 1, 2 or 4 bytes, least significant first
  double resolution;
  double offset;
  const char* unit;
};

constexpr std::array kSignals = {
    SignalDefinition{0x00F004, "actual engine torque", 2, 1, 1.0, -125.0, "%"},
    SignalDefinition{0x00F004, "engine speed", 3, 2, 0.125, 0.0, "rpm"},
    SignalDefinition{0x00F003, "accelerator pedal", 1, 1, 0.4, 0.0, "%"},
    SignalDefinition{0x00F003, "engine load", 2, 1, 1.0, 0.0, "%"},
    SignalDefinition{0x00FEF1, "vehicle speed", 1, 2, 1.0 / 256.0, 0.0, "km/h"},
    SignalDefinition{0x00FEF1, "cruise set speed", 5, 1, 1.0, 0.0, "km/h"},
    SignalDefinition{0x00FEEE, "coolant temperature", 0, 1, 1.0, -40.0, "C"},
    SignalDefinition{0x00FEEE, "fuel temperature", 1, 1, 1.0, -40.0, "C"},
    SignalDefinition{0x00FEEE, "engine oil temperature", 2, 2, 0.03125, -273.0,
                     "C"},
    SignalDefinition{0x00FEF2, "fuel rate", 0, 2, 0.05, 0.0, "L/h"},
    SignalDefinition{0x00FEF2, "instantaneous fuel economy", 2, 2, 1.0 / 512.0,
                     0.0, "km/L"},
    SignalDefinition{0x00FEF2, "average fuel economy", 4, 2, 1.0 / 512.0, 0.0,
                     "km/L"},
    SignalDefinition{0x00FEF5, "barometric pressure", 0, 1, 0.5, 0.0, "kPa"},
    SignalDefinition{0x00FEF5, "cab interior temperature", 1, 2, 0.03125,
                     -273.0, "C"},
    SignalDefinition{0x00FEF5, "ambient air temperature", 3, 2, 0.03125, -273.0,
                     "C"},
    SignalDefinition{0x00FEF5, "air inlet temperature", 5, 1, 1.0, -40.0, "C"},
    SignalDefinition{0x00FEF7, "alternator current", 1, 1, 1.0, 0.0, "A"},
    SignalDefinition{0x00FEF7, "charging system potential", 2, 2, 0.05, 0.0,
                     "V"},
    SignalDefinition{0x00FEF7, "battery potential", 4, 2, 0.05, 0.0, "V"},
    SignalDefinition{0x00FEEF, "engine oil pressure", 3, 1, 4.0, 0.0, "kPa"},
    SignalDefinition{0x00FEEF, "coolant level", 7, 1, 0.4, 0.0, "%"},
    SignalDefinition{0x00FEF6, "boost pressure", 1, 1, 2.0, 0.0, "kPa"},
    SignalDefinition{0x00FEF6, "intake manifold temperature", 2, 1, 1.0, -40.0,
                     "C"},
    SignalDefinition{0x00FEFC, "fuel level", 1, 1, 0.4, 0.0, "%"},
    SignalDefinition{0x00FEE5, "engine hours", 0, 4, 0.05, 0.0, "h"},
};

// J1939 reserves the top of each range (0xFB.., 0xFB00.., 0xFB000000..)
// for error, not available and reserved.
std::optional<uint32_t> ValidRaw(const SignalDefinition& definition,
                                 std::span<const uint8_t> data) {
  if (definition.size == 0) return std::nullopt;  // no top byte to test
  if (definition.first_byte + definition.size > data.size())
    return std::nullopt;
  uint32_t raw = 0;
  for (int i = definition.size - 1; i >= 0; --i)
    raw = raw << 8 | data[definition.first_byte + i];
  const uint32_t top_byte = raw >> (8 * (definition.size - 1));
  if (top_byte > 0xFA) return std::nullopt;
  return raw;
}

}  // namespace

std::vector<Signal> DecodeJ1939Signals(uint32_t pgn,
                                       std::span<const uint8_t> data) {
  std::vector<Signal> signals;
  for (const SignalDefinition& definition : kSignals) {
    if (definition.pgn != pgn) continue;
    auto raw = ValidRaw(definition, data);
    if (!raw) continue;
    signals.push_back(Signal{definition.name,
                             *raw * definition.resolution + definition.offset,
                             definition.unit});
  }
  return signals;
}

}  // namespace vlrdecode
