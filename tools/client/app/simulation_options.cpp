#include "simulation_options.h"

#include "values.h"

namespace vlrclient {

std::vector<OptionDefinition> TrafficOptionTable(SimulationOptions& o) {
  return {
      {"--scenario", "NAME",
       "built-in traffic: truck (default), truck-j1939, truck-j1708",
       [&o](std::string_view v) -> std::string {
         o.scenario = std::string(v);
         return {};
       }},
      {"--replay", "FILE", "play a capture: candump log, neoVI CSV or text log",
       [&o](std::string_view v) -> std::string {
         if (v.empty()) return "needs a file name";
         o.replay_path = std::string(v);
         return {};
       }},
      {"--network", "FILE",
       "simulated J1939 ECUs and what they do (see the README)",
       [&o](std::string_view v) -> std::string {
         if (v.empty()) return "needs a file name";
         o.network_path = std::string(v);
         return {};
       }},
      {"--loop", "", "start the capture again when it ends",
       [&o](std::string_view) {
         o.replay.loop = true;
         return std::string();
       }},
      {"--speed", "FACTOR", "play the capture this many times faster",
       [&o](std::string_view v) -> std::string {
         auto speed = ParsePositiveSeconds(v);
         if (!speed)
           return "expected a positive factor, got '" + std::string(v) + "'";
         o.replay.speed = *speed;
         return {};
       }},
  };
}

}  // namespace vlrclient
