// The traffic options shared by the demonstration and `vlr1210 sim`.
#pragma once

#include <vector>

#include "command_line.h"
#include "simulated_adapter.h"

namespace vlrclient {

std::vector<OptionDefinition> TrafficOptionTable(SimulationOptions& options);

}  // namespace vlrclient
