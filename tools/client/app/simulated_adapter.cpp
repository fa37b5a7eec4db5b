#include "simulated_adapter.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "vlrscenario/named_sources.h"

namespace vlrclient {
namespace {

std::unique_ptr<vlrsim::TrafficSource> MakeSource(const SimulationOptions& o,
                                                  std::string& what,
                                                  std::string& error) {
  if (!o.replay_path.empty()) {
    auto replay = vlrscenario::MakeReplayFromFile(o.replay_path, o.replay);
    if (!replay) {
      error = replay.error().ToString();
      return nullptr;
    }
    what = "replay of " + o.replay_path;
    return std::move(replay.value());
  }
  auto scenario = vlrscenario::MakeNamedScenario(o.scenario);
  if (!scenario)
    error = "unknown scenario '" + o.scenario +
            "' (try truck, truck-j1939, truck-j1708)";
  what = "the " + o.scenario + " scenario";
  return scenario;
}

std::optional<vlrsim::NetworkScript> ReadNetwork(const std::string& path,
                                                 std::string& error) {
  if (path.empty()) return vlrsim::NetworkScript{};
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  auto script = vlrsim::ReadNetworkScript(in, error);
  if (!script) error = path + ": " + error;
  return script;
}

vlrsim::AdapterOptions AdapterOptionsFor(const SimulationOptions& o) {
  vlrsim::AdapterOptions adapter;
  adapter.family = o.family;
  adapter.loopback = o.loopback;
  adapter.device = o.device;
  // Real adapters deliver no faster than their line; neither does this one.
  adapter.throttle = true;
  // A long demonstration would otherwise keep every byte in memory.
  adapter.record = false;
  if (!o.reported_protocol.empty()) {
    adapter.report_j1708 = o.reported_protocol == "J1708";
    adapter.report_j1939 = o.reported_protocol == "J1939";
  }
  return adapter;
}

}  // namespace

std::unique_ptr<SimulatedAdapter> SimulatedAdapter::Create(
    const SimulationOptions& o, std::string& error) {
  std::string what;
  auto source = MakeSource(o, what, error);
  if (!source) return nullptr;
  auto network = ReadNetwork(o.network_path, error);
  if (!network) return nullptr;
  try {
    vlrsim::AdapterOptions options = AdapterOptionsFor(o);
    options.ecus = std::move(network->ecus);
    auto adapter = std::make_unique<vlrsim::PtyAdapter>(std::move(options));
    return std::unique_ptr<SimulatedAdapter>(
        new SimulatedAdapter(std::move(adapter), std::move(source), what,
                             std::move(network->actions)));
  } catch (const std::system_error& e) {
    // A device's error already names it.
    error = o.device
                ? std::string(e.what())
                : std::string("cannot create a pseudo-terminal: ") + e.what();
    return nullptr;
  }
}

void SimulatedAdapter::Play() {
  if (source_) adapter_->Play(std::move(source_));
  // A script's lines were checked when it was read; an ECU it names that
  // does not exist is the script's own affair.
  for (const auto& line : network_actions_) {
    (void)vlrsim::ApplyNetworkLine(*adapter_, line);
  }
  network_actions_.clear();
}

void SimulatedAdapter::PointComPortHere(int com) const {
  const std::string variable = "VLR1210_COM" + std::to_string(com);
  setenv(variable.c_str(), adapter_->SlavePath().c_str(), 1);
}

std::string SimulatedAdapter::Link(const std::string& path) {
  try {
    adapter_->LinkTo(path);
  } catch (const std::filesystem::filesystem_error& e) {
    return std::string("cannot link ") + path + ": " + e.what();
  }
  return {};
}

}  // namespace vlrclient
