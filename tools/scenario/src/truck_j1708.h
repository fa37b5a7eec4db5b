// The simulated truck's J1708 broadcasts: parameters (PIDs) of the engine
// (MID 128), transmission (MID 130) and brakes (MID 136), in the US units
// those PIDs are defined in. Each message is the data after its MID: PID,
// value bytes least significant first, PID, ...; the adapter appends the
// checksum.
#pragma once

#include <cstdint>
#include <vector>

#include "vehicle_model.h"

namespace vlrscenario {

inline constexpr uint8_t kMidEngine = 128;
inline constexpr uint8_t kMidTransmission = 130;
inline constexpr uint8_t kMidBrakes = 136;

// Road speed (84), engine speed (190), pedal (91), load (92): 10 per second.
std::vector<uint8_t> EngineFastPids(const VehicleState& state);
// Coolant (110), oil pressure (100), fuel level (96), battery (168),
// oil temperature (175): once a second.
std::vector<uint8_t> EngineSlowPids(const VehicleState& state);
// Transmission oil temperature (177), output shaft speed (191).
std::vector<uint8_t> TransmissionPids(const VehicleState& state);
// Brake application (116) and primary (117) pressures.
std::vector<uint8_t> BrakePids(const VehicleState& state);

}  // namespace vlrscenario
