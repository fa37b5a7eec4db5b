// A running truck reduced to the quantities its ECUs broadcast, as smooth
// functions of time: a 150 s drive cycle (idle, pull away through the
// gears, cruise on the governor with slow wander, brake to a stop, idle)
// repeated for ever, on an engine warming up from a cold start. Pure: the
// same time always gives the same state, so scenarios replay identically.
#pragma once

#include <chrono>

namespace vlrscenario {

struct VehicleState {
  double engine_rpm = 0;
  double vehicle_kmh = 0;
  double pedal_percent = 0;
  double engine_load_percent = 0;
  double actual_torque_percent = 0;
  double coolant_c = 0;
  double engine_oil_c = 0;
  double fuel_c = 0;
  double oil_pressure_kpa = 0;
  double fuel_rate_lph = 0;
  double fuel_level_percent = 0;
  double ambient_c = 0;
  double cab_c = 0;
  double barometric_kpa = 0;
  double battery_v = 0;
  double alternator_a = 0;
  double transmission_oil_c = 0;
  double output_shaft_rpm = 0;
  double brake_application_kpa = 0;
  double brake_primary_kpa = 0;
  bool parking_brake = false;
  bool cruise_active = false;
  bool service_brake = false;
};

inline constexpr double kCruiseKmh = 88.0;
inline constexpr double kIdleRpm = 650.0;

VehicleState StateAt(std::chrono::microseconds since_start);

}  // namespace vlrscenario
