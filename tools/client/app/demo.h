// The first command a new user runs: with no arguments at all, vlr1210
// starts its simulated adapter on a pseudo-terminal, points the driver at
// it and monitors the traffic of a running truck. `vlr1210 demo` takes the
// monitor's options and a choice of traffic.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "simulated_adapter.h"

namespace vlrclient {

// Only devices that carry messages on the serial line can be simulated;
// sets the simulated family and bus from the device and protocol. An error
// text, empty when the device can be simulated.
std::string CheckDemoDevice(short id, SimulationOptions& traffic,
                            const std::string& protocol);

int RunDemo(std::span<const std::string_view> args);

}  // namespace vlrclient
