#include "vehicle_model.h"

#include <algorithm>
#include <cmath>

namespace vlrscenario {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCycleSeconds = 150.0;
constexpr double kPullAwayAt = 8.0, kCruiseAt = 33.0, kBrakeAt = 123.0,
                 kStopAt = 143.0;

double Wave(double t, double period, double phase = 0.0) {
  return std::sin(2.0 * kPi * t / period + phase);
}

double SmoothStep(double p) {
  p = std::clamp(p, 0.0, 1.0);
  return p * p * (3.0 - 2.0 * p);
}

// Engine speed, road speed, pedal, load and the driver's inputs for one
// moment of the cycle; everything thermal follows from the absolute time.
void SetDriving(double t, double c, VehicleState& s) {
  s.engine_rpm = kIdleRpm + 12.0 * Wave(t, 7.0) + 4.0 * Wave(t, 1.3);
  s.engine_load_percent = 10.0 + 2.0 * Wave(t, 5.0);
  if (c < kPullAwayAt || c >= kStopAt) {
    s.parking_brake = true;
  } else if (c < kCruiseAt) {
    const double p = (c - kPullAwayAt) / (kCruiseAt - kPullAwayAt);
    const double gear = p * 8.0;
    s.vehicle_kmh = kCruiseKmh * SmoothStep(p);
    s.engine_rpm = gear < 7.0 ? 1000.0 + 700.0 * (gear - std::floor(gear))
                              : 1000.0 + 350.0 * (gear - 7.0);
    s.pedal_percent = 75.0;
    s.engine_load_percent = 85.0;
  } else if (c < kBrakeAt) {
    s.vehicle_kmh = kCruiseKmh + 1.5 * Wave(c - kCruiseAt, 23.0);
    s.engine_rpm = 1350.0 * s.vehicle_kmh / kCruiseKmh;
    s.pedal_percent = 32.0 + 6.0 * Wave(c - kCruiseAt, 23.0, 1.0);
    s.engine_load_percent = 45.0 + 10.0 * Wave(c - kCruiseAt, 23.0, 1.0);
    s.cruise_active = true;
  } else {
    const double p = (c - kBrakeAt) / (kStopAt - kBrakeAt);
    s.vehicle_kmh = kCruiseKmh * (1.0 - SmoothStep(p));
    s.engine_rpm = kIdleRpm + 700.0 * (1.0 - p);
    s.engine_load_percent = 5.0;
    s.service_brake = true;
    s.brake_application_kpa = 250.0 * (1.0 - 0.3 * p);
  }
  s.actual_torque_percent =
      s.pedal_percent > 0 ? s.engine_load_percent * 0.95 : 0;
}

void SetThermal(double t, VehicleState& s) {
  s.coolant_c = 88.0 - 46.0 * std::exp(-t / 300.0);
  s.engine_oil_c = s.coolant_c + 6.0 * (1.0 - std::exp(-t / 120.0));
  s.fuel_c = 30.0 + 10.0 * (1.0 - std::exp(-t / 600.0));
  s.transmission_oil_c = 45.0 + 30.0 * (1.0 - std::exp(-t / 400.0));
  s.ambient_c = 17.5 + 0.5 * Wave(t, 3600.0);
  s.cab_c = 21.0;
  s.barometric_kpa = 99.5;
}

void SetEngineSystems(double t, VehicleState& s) {
  s.oil_pressure_kpa = 140.0 + 0.22 * (s.engine_rpm - kIdleRpm);
  s.fuel_rate_lph = 0.6 + 0.00045 * s.engine_rpm * s.engine_load_percent;
  s.fuel_level_percent = std::max(5.0, 72.0 - t / 600.0);
  s.battery_v = 14.1 + 0.05 * Wave(t, 5.0);
  s.alternator_a = 28.0 + 12.0 * std::exp(-t / 60.0);
  s.output_shaft_rpm = s.vehicle_kmh * 17.5;
  s.brake_primary_kpa = 860.0 - 40.0 * std::max(0.0, Wave(t, 45.0));
}

}  // namespace

VehicleState StateAt(std::chrono::microseconds since_start) {
  const double t = static_cast<double>(since_start.count()) / 1e6;
  VehicleState state;
  SetDriving(t, std::fmod(t, kCycleSeconds), state);
  SetThermal(t, state);
  SetEngineSystems(t, state);
  return state;
}

}  // namespace vlrscenario
