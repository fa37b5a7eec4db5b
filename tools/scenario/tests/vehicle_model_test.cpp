#include "vehicle_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vlrscenario {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(VehicleModel, EveryQuantityStaysPhysicalOverTwoCycles) {
  struct Bound {
    const char* name;
    double VehicleState::*field;
    double min;
    double max;
  };
  const Bound bounds[] = {
      {"engine_rpm", &VehicleState::engine_rpm, 600, 1800},
      {"vehicle_kmh", &VehicleState::vehicle_kmh, 0, 95},
      {"pedal_percent", &VehicleState::pedal_percent, 0, 100},
      {"engine_load_percent", &VehicleState::engine_load_percent, 0, 100},
      {"coolant_c", &VehicleState::coolant_c, 35, 95},
      {"oil_pressure_kpa", &VehicleState::oil_pressure_kpa, 100, 500},
      {"fuel_rate_lph", &VehicleState::fuel_rate_lph, 0.5, 80},
      {"fuel_level_percent", &VehicleState::fuel_level_percent, 5, 100},
      {"battery_v", &VehicleState::battery_v, 13, 15},
      {"brake_primary_kpa", &VehicleState::brake_primary_kpa, 700, 900},
  };
  for (int tenth = 0; tenth < 3000; ++tenth) {
    const VehicleState state = StateAt(milliseconds(100 * tenth));
    for (const Bound& bound : bounds) {
      const double value = state.*bound.field;
      ASSERT_GE(value, bound.min)
          << bound.name << " at " << tenth / 10.0 << " s";
      ASSERT_LE(value, bound.max)
          << bound.name << " at " << tenth / 10.0 << " s";
    }
  }
}

TEST(VehicleModel, IdlesParkedThenCruisesOnTheGovernor) {
  const VehicleState parked = StateAt(seconds(2));
  EXPECT_NEAR(parked.engine_rpm, kIdleRpm, 20);
  EXPECT_EQ(parked.vehicle_kmh, 0);
  EXPECT_TRUE(parked.parking_brake);
  const VehicleState cruising = StateAt(seconds(60));
  EXPECT_NEAR(cruising.vehicle_kmh, kCruiseKmh, 2);
  EXPECT_NEAR(cruising.engine_rpm, 1350, 40);
  EXPECT_TRUE(cruising.cruise_active);
  EXPECT_FALSE(cruising.parking_brake);
}

TEST(VehicleModel, WarmsUpFromAColdStart) {
  EXPECT_LT(StateAt(seconds(0)).coolant_c, 50);
  EXPECT_GT(StateAt(seconds(1200)).coolant_c, 85);
}

}  // namespace
}  // namespace vlrscenario
