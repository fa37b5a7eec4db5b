#include "truck_j1939.h"

#include "j1939_encoding.h"

namespace vlrscenario {
namespace {

constexpr double kTorqueOffset = -125.0;
constexpr double kTemperature16Offset = -273.0;

// J1939 two-bit states: 00 off, 01 on.
uint8_t OnOff(bool on) { return on ? 1 : 0; }

}  // namespace

std::vector<uint8_t> Eec1Data(const VehicleState& s) {
  std::vector<uint8_t> d(8, 0xFF);
  d[0] = 0xF0 | (s.pedal_percent > 0 ? 0x01 : 0x00);  // torque mode
  d[1] = Scale8(s.pedal_percent * 0.9, 1.0, kTorqueOffset);
  d[2] = Scale8(s.actual_torque_percent, 1.0, kTorqueOffset);
  Put16(d, 3, s.engine_rpm, 0.125);
  d[5] = 0x00;  // controlling device: the engine itself
  d[6] = 0xF0;  // starter not requested
  d[7] = d[2];
  return d;
}

std::vector<uint8_t> Eec2Data(const VehicleState& s) {
  std::vector<uint8_t> d(8, 0xFF);
  d[0] = 0xF0 | OnOff(s.pedal_percent <= 0);  // low-idle switch
  d[1] = Scale8(s.pedal_percent, 0.4);
  d[2] = Scale8(s.engine_load_percent, 1.0);
  return d;
}

std::vector<uint8_t> CcvsData(const VehicleState& s) {
  std::vector<uint8_t> d(8, 0xFF);
  d[0] = 0xF0 | OnOff(s.parking_brake) << 2;
  Put16(d, 1, s.vehicle_kmh, 1.0 / 256.0);
  d[3] = OnOff(s.cruise_active) | 0x01 << 2 | OnOff(s.service_brake) << 4;
  d[4] = 0x00;
  d[5] = Scale8(kCruiseKmh, 1.0);
  d[6] = 0x1F | (s.cruise_active ? 0x01 : 0x00) << 5;
  return d;
}

std::vector<uint8_t> Et1Data(const VehicleState& s) {
  std::vector<uint8_t> d(8, 0xFF);
  d[0] = Scale8(s.coolant_c, 1.0, -40.0);
  d[1] = Scale8(s.fuel_c, 1.0, -40.0);
  Put16(d, 2, s.engine_oil_c, 0.03125, kTemperature16Offset);
  return d;
}

std::vector<uint8_t> LfeData(const VehicleState& s) {
  std::vector<uint8_t> d(8, 0xFF);
  Put16(d, 0, s.fuel_rate_lph, 0.05);
  const double economy =
      s.fuel_rate_lph > 0 ? s.vehicle_kmh / s.fuel_rate_lph : 0;
  Put16(d, 2, economy, 1.0 / 512.0);
  Put16(d, 4, 2.6, 1.0 / 512.0);
  return d;
}

std::vector<uint8_t> AmbData(const VehicleState& s) {
  std::vector<uint8_t> d(8, 0xFF);
  d[0] = Scale8(s.barometric_kpa, 0.5);
  Put16(d, 1, s.cab_c, 0.03125, kTemperature16Offset);
  Put16(d, 3, s.ambient_c, 0.03125, kTemperature16Offset);
  d[5] = Scale8(s.ambient_c + 3.0, 1.0, -40.0);  // air inlet
  return d;
}

std::vector<uint8_t> Vep1Data(const VehicleState& s) {
  std::vector<uint8_t> d(8, 0xFF);
  d[0] = Scale8(2.0, 1.0, -125.0);  // net battery current: charging
  d[1] = Scale8(s.alternator_a, 1.0);
  Put16(d, 2, s.battery_v + 0.1, 0.05);
  Put16(d, 4, s.battery_v, 0.05);
  Put16(d, 6, s.battery_v - 0.1, 0.05);
  return d;
}

const std::vector<TroubleCode>& ActiveTroubleCodes() {
  static const std::vector<TroubleCode> codes = {
      {111, 1, 4},  // coolant level below normal, most severe
      {636, 2, 1},  // engine position sensor erratic
      {97, 15, 7},  // water in fuel, above normal, least severe
  };
  return codes;
}

std::vector<uint8_t> Dm1Data(const std::vector<TroubleCode>& codes) {
  // Amber warning lamp on (bits 3-4 = 01), the others off; no flashing.
  std::vector<uint8_t> d = {0x04, 0xFF};
  for (const TroubleCode& code : codes) {
    d.push_back(static_cast<uint8_t>(code.spn & 0xFF));
    d.push_back(static_cast<uint8_t>((code.spn >> 8) & 0xFF));
    d.push_back(static_cast<uint8_t>(((code.spn >> 16) & 0x7) << 5 |
                                     (code.fmi & 0x1F)));
    d.push_back(static_cast<uint8_t>(code.occurrences & 0x7F));
  }
  return d;
}

}  // namespace vlrscenario
