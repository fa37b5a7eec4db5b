// The built-in traffic of a running heavy truck, for demonstrations and for
// application developers without a vehicle: on J1939 the engine's
// EEC1 (every 10-20 ms by engine speed), EEC2 (50 ms), CCVS and LFE
// (100 ms), ET1, AMB and VEP1 (1 s), address claims of four ECUs at start
// and, once a second, an active DM1 with three trouble codes sent as a
// broadcast multi-packet transfer; on J1708 the engine (MID 128),
// transmission (130) and brakes (136) with their common PIDs. Values follow
// a repeating 150 s drive cycle on a warming engine.
#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "vlrsim/traffic_source.h"

namespace vlrscenario {

struct TruckOptions {
  // The source ends after this much traffic; nothing: it never ends.
  std::optional<std::chrono::microseconds> length;
  bool j1939 = true;
  bool j1708 = true;
};

std::unique_ptr<vlrsim::TrafficSource> MakeTruckScenario(
    TruckOptions options = {});

}  // namespace vlrscenario
