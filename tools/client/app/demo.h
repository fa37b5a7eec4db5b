// The first command a new user runs: with no arguments at all, vlr1210
// starts its simulated adapter on a pseudo-terminal, points the driver at
// it and monitors the traffic of a running truck. `vlr1210 demo` takes the
// monitor's options and a choice of traffic.
#pragma once

#include <span>
#include <string_view>

namespace vlrclient {

int RunDemo(std::span<const std::string_view> args);

}  // namespace vlrclient
