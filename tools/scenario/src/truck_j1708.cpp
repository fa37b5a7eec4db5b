#include "truck_j1708.h"

#include <algorithm>
#include <cmath>

namespace vlrscenario {
namespace {

constexpr double kKmPerMile = 1.609344;
constexpr double kKpaPerPsi = 6.894757;

double Fahrenheit(double celsius) { return celsius * 9.0 / 5.0 + 32.0; }

void PutPid8(std::vector<uint8_t>& out, uint8_t pid, double value,
             double resolution) {
  out.push_back(pid);
  out.push_back(static_cast<uint8_t>(
      std::clamp(std::round(value / resolution), 0.0, 255.0)));
}

void PutPid16(std::vector<uint8_t>& out, uint8_t pid, double value,
              double resolution) {
  const auto raw = static_cast<int32_t>(
      std::clamp(std::round(value / resolution), -32768.0, 32767.0));
  const auto word = static_cast<uint16_t>(raw);
  out.push_back(pid);
  out.push_back(static_cast<uint8_t>(word & 0xFF));
  out.push_back(static_cast<uint8_t>(word >> 8));
}

}  // namespace

std::vector<uint8_t> EngineFastPids(const VehicleState& s) {
  std::vector<uint8_t> out;
  PutPid8(out, 84, s.vehicle_kmh / kKmPerMile, 0.5);
  PutPid16(out, 190, s.engine_rpm, 0.25);
  PutPid8(out, 91, s.pedal_percent, 0.4);
  PutPid8(out, 92, s.engine_load_percent, 0.5);
  return out;
}

std::vector<uint8_t> EngineSlowPids(const VehicleState& s) {
  std::vector<uint8_t> out;
  PutPid8(out, 110, Fahrenheit(s.coolant_c), 1.0);
  PutPid8(out, 100, s.oil_pressure_kpa / kKpaPerPsi, 0.5);
  PutPid8(out, 96, s.fuel_level_percent, 0.5);
  PutPid16(out, 168, s.battery_v, 0.05);
  PutPid16(out, 175, Fahrenheit(s.engine_oil_c), 0.25);
  return out;
}

std::vector<uint8_t> TransmissionPids(const VehicleState& s) {
  std::vector<uint8_t> out;
  PutPid16(out, 177, Fahrenheit(s.transmission_oil_c), 0.25);
  PutPid16(out, 191, s.output_shaft_rpm, 0.25);
  return out;
}

std::vector<uint8_t> BrakePids(const VehicleState& s) {
  std::vector<uint8_t> out;
  PutPid8(out, 116, s.brake_application_kpa / kKpaPerPsi, 0.6);
  PutPid8(out, 117, s.brake_primary_kpa / kKpaPerPsi, 0.6);
  return out;
}

}  // namespace vlrscenario
