#include "demo.h"

#include <iostream>

#include "device_table.h"
#include "driver_library.h"
#include "monitor.h"
#include "simulated_adapter.h"
#include "simulation_options.h"

namespace vlrclient {
namespace {

std::vector<OptionDefinition> DemoOptionTable(MonitorOptions& monitor,
                                              SimulationOptions& traffic,
                                              std::string& driver_path) {
  std::vector<OptionDefinition> table = MonitorOptionTable(monitor);
  for (OptionDefinition& option : TrafficOptionTable(traffic))
    table.push_back(std::move(option));
  table.push_back(DriverPathOption(driver_path));
  return table;
}

void PrintBanner(const SimulatedAdapter& adapter, const MonitorOptions& monitor,
                 int com) {
  std::cerr << "vlr1210: demonstration: a simulated adapter plays "
            << adapter.description() << " on " << adapter.SlavePath()
            << " (VLR1210_COM" << com << "),\n"
            << "         monitored as device " << monitor.device << ", "
            << monitor.protocol
            << ". Stop with Ctrl-C; 'vlr1210 help' lists the commands.\n";
}

}  // namespace

// Only devices that carry messages on the serial line can be simulated.
std::string CheckDemoDevice(short id, SimulationOptions& traffic,
                            const std::string& protocol) {
  auto device = FindDevice(id);
  if (!device || id == 103 || id == 104) {
    return "the demonstration simulates devices 101, 102 and 201-204, not " +
           std::to_string(id);
  }
  traffic.family =
      device->family[0] == '1' ? vlrsim::Family::k1xx : vlrsim::Family::k2xx;
  traffic.reported_protocol = protocol;
  return {};
}

int RunDemo(std::span<const std::string_view> args) {
  MonitorOptions monitor;
  SimulationOptions traffic;
  std::string driver_path;
  const std::vector<OptionDefinition> table =
      DemoOptionTable(monitor, traffic, driver_path);
  std::vector<std::string_view> positional;
  std::string error = ParseArguments(args, table, positional);
  if (error.empty() && !positional.empty())
    error = "unexpected argument " + std::string(positional[0]);
  if (error.empty()) error = CheckMonitorOptions(monitor);
  if (error.empty())
    error = CheckDemoDevice(monitor.device, traffic, monitor.protocol);
  if (!error.empty()) {
    std::cerr << "vlr1210 demo: " << error << "\n";
    return 2;
  }
  auto driver = LoadDriver(driver_path, error);
  if (!driver) {
    std::cerr << "vlr1210: " << error << "\n";
    return 1;
  }
  auto adapter = SimulatedAdapter::Create(traffic, error);
  if (!adapter) {
    std::cerr << "vlr1210: " << error << "\n";
    return 1;
  }
  const int com = monitor.device % 100;
  adapter->PointComPortHere(com);
  PrintBanner(*adapter, monitor, com);
  MonitorHooks hooks;
  hooks.ready = [&adapter] { adapter->Play(); };
  if (!traffic.replay_path.empty() && !traffic.replay.loop) {
    hooks.traffic_done = [&adapter] { return adapter->TrafficDelivered(); };
  }
  return RunMonitor(*driver, monitor, hooks);
}

}  // namespace vlrclient
