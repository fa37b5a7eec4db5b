// Writes the simulated truck's J1939 traffic as a candump log, as fast as
// it can be made rather than in real time: the long captures the plot
// figures and the README's pictures are drawn from.
//   vlr_truck_capture SECONDS > truck.log
#include <chrono>
#include <cstdlib>
#include <iostream>

#include "vlrscenario/candump_log.h"
#include "vlrscenario/truck_scenario.h"

int main(int argc, char** argv) {
  const double seconds = argc == 2 ? std::atof(argv[1]) : 0;
  if (seconds <= 0) {
    std::cerr << "usage: vlr_truck_capture SECONDS > truck.log\n";
    return 2;
  }
  vlrscenario::TruckOptions options;
  options.length =
      std::chrono::microseconds(static_cast<int64_t>(seconds * 1e6));
  options.j1708 = false;
  auto truck = vlrscenario::MakeTruckScenario(options);
  // A fixed start, so the same length gives the same file.
  const std::chrono::microseconds start{1'796'000'000'000'000};
  while (auto message = truck->Next()) {
    std::cout << vlrscenario::FormatCandumpLine(start + message->at, "can0",
                                                message->id, message->data)
              << '\n';
  }
  return std::cout ? 0 : 1;
}
