// Building blocks of J1939 traffic: identifiers, scaled parameters, the
// broadcast transfer of long messages and the NAME of an address claim.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "vlrcommon/j1939_identifier.h"
#include "vlrsim/traffic_source.h"

namespace vlrscenario {

using vlrcommon::j1939::kGlobalAddress;

inline constexpr uint32_t kPgnTpCm = 0x00EC00;
inline constexpr uint32_t kPgnTpDt = 0x00EB00;
inline constexpr uint32_t kPgnAddressClaimed = 0x00EE00;

// The 29-bit identifier; `destination` counts only for PDU1 groups, whose
// PGN carries 0 in its low byte.
uint32_t J1939Id(uint8_t priority, uint32_t pgn, uint8_t source,
                 uint8_t destination = kGlobalAddress);

// A parameter as J1939 sends it: (value - offset) / resolution, rounded,
// held within the valid range (0..250 for one byte, 0..64255 for two) so a
// model excursion never turns into the "error" or "not available" codes.
uint8_t Scale8(double value, double resolution, double offset = 0.0);
void Put16(std::vector<uint8_t>& data, std::size_t at, double value,
           double resolution, double offset = 0.0);

// The broadcast announce (TP.CM, control byte 0x20) at `at`, then the data
// packets (TP.DT) `spacing` apart, the first `spacing` after the announce.
// `data` is longer than 8 bytes and at most 1785.
std::vector<vlrsim::TimedMessage> BroadcastTransfer(
    uint32_t pgn, uint8_t priority, uint8_t source,
    std::span<const uint8_t> data, std::chrono::microseconds at,
    std::chrono::microseconds spacing);

struct EcuName {
  uint32_t identity = 0;          // 21 bits
  uint16_t manufacturer = 0;      // 11 bits
  uint8_t ecu_instance = 0;       // 3 bits
  uint8_t function_instance = 0;  // 5 bits
  uint8_t function = 0;
  uint8_t vehicle_system = 0;           // 7 bits
  uint8_t vehicle_system_instance = 0;  // 4 bits
  uint8_t industry_group = 0;           // 3 bits
  bool arbitrary_address_capable = false;
};

// The eight data bytes of an address claim, least significant first.
std::vector<uint8_t> EncodeName(const EcuName& name);

}  // namespace vlrscenario
