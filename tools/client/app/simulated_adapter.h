// The built-in simulated adapter of the demonstration and of `vlr1210 sim`:
// a pseudo-terminal (or a serial device) with an adapter of either family at
// its far end,
// playing a traffic source, and the driver pointed at it through
// VLR1210_COMn.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vlrscenario/replay_source.h"
#include "vlrsim/family.h"
#include "vlrsim/network_script.h"
#include "vlrsim/pty_adapter.h"
#include "vlrsim/traffic_source.h"

namespace vlrclient {

struct SimulationOptions {
  vlrsim::Family family = vlrsim::Family::k2xx;
  std::string scenario = "truck";
  std::string replay_path;  // replaces the scenario when given
  vlrscenario::ReplayOptions replay;
  // 1xx adapters have no receive switch: report only this protocol's bus
  // ("J1939", "J1708"), or both when empty.
  std::string reported_protocol;
  bool loopback = false;
  // Play on this serial device (a host at the far end of a cable) instead
  // of a new pseudo-terminal.
  std::optional<std::string> device;
  // Simulated J1939 ECUs and what they do (the simulator's network script).
  std::string network_path;
};

class SimulatedAdapter {
 public:
  // Prepares the traffic (reading a capture now, so its errors come
  // first) and opens the pseudo-terminal or the device; nothing plays yet.
  // Null with the reason in `error` on failure.
  static std::unique_ptr<SimulatedAdapter> Create(
      const SimulationOptions& options, std::string& error);

  // Starts the traffic and the network script's actions, once.
  void Play();
  // True while traffic is left to play.
  bool Playing() const { return adapter_->Playing(); }
  // True once the traffic has played out and left the adapter: a throttled
  // line can still be working through a backlog after the source ends.
  bool TrafficDelivered() {
    return !adapter_->Playing() &&
           adapter_->WaitUntilSent(std::chrono::milliseconds(0));
  }
  // Makes "COMn" lead here for the driver of this process.
  void PointComPortHere(int com) const;
  std::string Link(const std::string& path);  // error text, empty on success

  const std::string& SlavePath() const { return adapter_->SlavePath(); }
  const std::string& description() const { return description_; }

 private:
  SimulatedAdapter(std::unique_ptr<vlrsim::PtyAdapter> adapter,
                   std::unique_ptr<vlrsim::TrafficSource> source,
                   std::string description,
                   std::vector<vlrsim::NetworkLine> network_actions)
      : adapter_(std::move(adapter)),
        source_(std::move(source)),
        description_(std::move(description)),
        network_actions_(std::move(network_actions)) {}

  std::unique_ptr<vlrsim::PtyAdapter> adapter_;
  std::unique_ptr<vlrsim::TrafficSource> source_;
  std::string description_;  // "the truck scenario", "replay of x.log"
  std::vector<vlrsim::NetworkLine> network_actions_;
};

}  // namespace vlrclient
