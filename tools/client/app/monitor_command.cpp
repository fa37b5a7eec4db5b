#include "monitor_command.h"

#include <iostream>

#include "driver_library.h"
#include "monitor.h"

namespace vlrclient {

int RunMonitorCommand(std::span<const std::string_view> args) {
  MonitorOptions options;
  std::string driver_path;
  std::vector<OptionDefinition> table = MonitorOptionTable(options);
  table.push_back(DriverPathOption(driver_path));
  std::vector<std::string_view> positional;
  std::string error = ParseArguments(args, table, positional);
  if (error.empty() && !positional.empty())
    error = "unexpected argument " + std::string(positional[0]);
  if (error.empty()) error = CheckMonitorOptions(options);
  if (!error.empty()) {
    std::cerr << "vlr1210 monitor: " << error << "\n";
    return 2;
  }
  auto driver = LoadDriver(driver_path, error);
  if (!driver) {
    std::cerr << "vlr1210: " << error << "\n";
    return 1;
  }
  return RunMonitor(*driver, options);
}

}  // namespace vlrclient
