// The J1939 broadcasts of the simulated truck's engine controller (source
// address 0): the data bytes of each parameter group, from the vehicle's
// state. Unused parameters hold 0xFF ("not available"), as real ECUs send.
#pragma once

#include <cstdint>
#include <vector>

#include "vehicle_model.h"

namespace vlrscenario {

inline constexpr uint32_t kPgnEec1 = 0x00F004;
inline constexpr uint32_t kPgnEec2 = 0x00F003;
inline constexpr uint32_t kPgnCcvs = 0x00FEF1;
inline constexpr uint32_t kPgnEt1 = 0x00FEEE;
inline constexpr uint32_t kPgnLfe = 0x00FEF2;
inline constexpr uint32_t kPgnAmb = 0x00FEF5;
inline constexpr uint32_t kPgnVep1 = 0x00FEF7;
inline constexpr uint32_t kPgnDm1 = 0x00FECA;

std::vector<uint8_t> Eec1Data(const VehicleState& state);
std::vector<uint8_t> Eec2Data(const VehicleState& state);
std::vector<uint8_t> CcvsData(const VehicleState& state);
std::vector<uint8_t> Et1Data(const VehicleState& state);
std::vector<uint8_t> LfeData(const VehicleState& state);
std::vector<uint8_t> AmbData(const VehicleState& state);
std::vector<uint8_t> Vep1Data(const VehicleState& state);

struct TroubleCode {
  uint32_t spn = 0;         // 19 bits
  uint8_t fmi = 0;          // 5 bits
  uint8_t occurrences = 0;  // 7 bits
};

// The engine's active trouble codes: coolant level low, engine position
// sensor erratic, water in fuel; they light the amber warning lamp.
const std::vector<TroubleCode>& ActiveTroubleCodes();

// DM1: lamp status, flash status, then four bytes per code.
std::vector<uint8_t> Dm1Data(const std::vector<TroubleCode>& codes);

}  // namespace vlrscenario
