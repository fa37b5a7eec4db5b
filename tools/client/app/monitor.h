// `vlr1210 monitor`: connect to a device, open or narrow the receive
// filters, and print every message until a duration, a count or Ctrl-C,
// then a summary.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "driver_library.h"
#include "filter_groups.h"
#include "output_format.h"

namespace vlrclient {

struct MonitorOptions {
  short device = 201;
  std::string protocol = "J1939";
  std::optional<double> duration_s;
  std::optional<uint64_t> count;
  bool echo = false;
  bool raw_j1708 = false;
  // Transport frames as they come, not the driver's whole messages.
  bool raw_transport = false;
  J1939Filter filter;
  vlrdecode::OutputFormat format = vlrdecode::OutputFormat::kText;
  std::string output_path;   // empty: standard output
  std::string capture_path;  // --write: a pcap capture beside the output
  bool summary = true;
};

// The monitor's options, storing into `options` (which must outlive the
// table); also used by the demonstration.
std::vector<OptionDefinition> MonitorOptionTable(MonitorOptions& options);

// Checks the options against each other; an error text, empty when fine.
std::string CheckMonitorOptions(const MonitorOptions& options);

// What the demonstration hooks into a monitoring run.
struct MonitorHooks {
  // Called once the client is connected with its filters set; the
  // simulated traffic starts there, so nothing is missed.
  std::function<void()> ready;
  // True once the traffic has ended (a replay played out); the run then
  // ends after a short grace period for what is still on its way.
  std::function<bool()> traffic_done;
};

// Runs the monitor; returns the process exit status.
int RunMonitor(const DriverLibrary& driver, const MonitorOptions& options,
               const MonitorHooks& hooks = {});

}  // namespace vlrclient
