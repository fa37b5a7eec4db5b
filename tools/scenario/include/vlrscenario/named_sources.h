// Traffic sources by the names a user types: the built-in scenarios and
// capture replay, for the programs that offer them (vlr1210's demo and
// sim, vlr1210-sim).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vlrscenario/parsed.h"
#include "vlrscenario/replay_source.h"
#include "vlrsim/traffic_source.h"

namespace vlrscenario {

// "truck" (both buses), "truck-j1939", "truck-j1708".
std::vector<std::string_view> ScenarioNames();

// Null for a name not in ScenarioNames().
std::unique_ptr<vlrsim::TrafficSource> MakeNamedScenario(std::string_view name);

// Loads the capture at once, so a malformed file is reported before
// anything starts; the error names the file and line.
Parsed<std::unique_ptr<vlrsim::TrafficSource>> MakeReplayFromFile(
    const std::string& path, ReplayOptions options = {});

}  // namespace vlrscenario
