#include "vlrscenario/named_sources.h"

#include "vlrscenario/capture_file.h"
#include "vlrscenario/truck_scenario.h"

namespace vlrscenario {

std::vector<std::string_view> ScenarioNames() {
  return {"truck", "truck-j1939", "truck-j1708"};
}

std::unique_ptr<vlrsim::TrafficSource> MakeNamedScenario(
    std::string_view name) {
  TruckOptions options;
  if (name == "truck-j1939") {
    options.j1708 = false;
  } else if (name == "truck-j1708") {
    options.j1939 = false;
  } else if (name != "truck") {
    return nullptr;
  }
  return MakeTruckScenario(options);
}

Parsed<std::unique_ptr<vlrsim::TrafficSource>> MakeReplayFromFile(
    const std::string& path, ReplayOptions options) {
  auto capture = LoadCaptureFile(path);
  if (!capture) return capture.error();
  return MakeReplaySource(std::move(capture.value()), options);
}

}  // namespace vlrscenario
