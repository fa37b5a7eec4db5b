#include "sim_command.h"

#include <chrono>
#include <iostream>
#include <optional>
#include <thread>

#include "simulated_adapter.h"
#include "simulation_options.h"
#include "stop_signal.h"
#include "values.h"

namespace vlrclient {
namespace {

struct SimOptions {
  SimulationOptions traffic;
  int com = 1;
  std::vector<std::string> links;
  std::optional<double> duration_s;
};

std::vector<OptionDefinition> SimOptionTable(SimOptions& o) {
  std::vector<OptionDefinition> table = {
      {"--family", "1xx|2xx", "the adapter family to play (default 2xx)",
       [&o](std::string_view v) -> std::string {
         if (v == "1xx")
           o.traffic.family = vlrsim::Family::k1xx;
         else if (v == "2xx")
           o.traffic.family = vlrsim::Family::k2xx;
         else
           return "expected 1xx or 2xx";
         return {};
       }},
      {"--com", "N", "the COM port number to suggest (1-4, default 1)",
       [&o](std::string_view v) -> std::string {
         auto n = ParseInteger(v, 1, 4);
         if (!n) return "expected 1 to 4";
         o.com = static_cast<int>(*n);
         return {};
       }},
      {"--protocol", "NAME", "1xx: report only this bus (J1939 or J1708)",
       [&o](std::string_view v) -> std::string {
         auto protocol = ParseProtocol(v);
         if (!protocol) return "expected J1939 or J1708";
         o.traffic.reported_protocol = *protocol;
         return {};
       }},
      {"--device", "PATH",
       "play on this serial device (a null-modem cable to the host) instead "
       "of a pseudo-terminal",
       [&o](std::string_view v) -> std::string {
         if (v.empty()) return "needs a path";
         o.traffic.device = std::string(v);
         return {};
       }},
      {"--link", "PATH",
       "also reach the adapter through a symbolic link at PATH",
       [&o](std::string_view v) -> std::string {
         if (v.empty()) return "needs a path";
         o.links.emplace_back(v);
         return {};
       }},
      {"--loopback", "",
       "send every message the host transmits back as received traffic",
       [&o](std::string_view) {
         o.traffic.loopback = true;
         return std::string();
       }},
      {"--duration", "SECONDS", "stop after this long (default: at Ctrl-C)",
       [&o](std::string_view v) -> std::string {
         o.duration_s = ParsePositiveSeconds(v);
         return o.duration_s ? "" : "expected positive seconds";
       }},
  };
  for (OptionDefinition& option : TrafficOptionTable(o.traffic))
    table.push_back(std::move(option));
  return table;
}

// The host of a device is another machine, so it gets no environment hint.
void PrintDeviceHints(const SimulatedAdapter& adapter, char family) {
  std::cerr << "vlr1210 sim: a simulated " << family << "xx adapter plays "
            << adapter.description() << " on " << adapter.SlavePath() << "\n"
            << "  connect the host's COM port with a null-modem cable and use "
               "device "
            << family << "0n there (n: its COM port number)\n"
            << "  stop with Ctrl-C\n";
}

void PrintHints(const SimulatedAdapter& adapter, const SimOptions& o) {
  const char family = o.traffic.family == vlrsim::Family::k1xx ? '1' : '2';
  std::cout << adapter.SlavePath() << std::endl;
  if (o.traffic.device) return PrintDeviceHints(adapter, family);
  std::cerr << "vlr1210 sim: a simulated " << family << "xx adapter plays "
            << adapter.description() << " on " << adapter.SlavePath() << "\n"
            << "  use it as device " << family << "0" << o.com
            << ":  export VLR1210_COM" << o.com << "=" << adapter.SlavePath()
            << "\n"
            << "  stop with Ctrl-C\n";
}

void RunUntilStopped(SimulatedAdapter& adapter, const SimOptions& o) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  bool announced_end = false;
  while (!StopRequested()) {
    if (o.duration_s &&
        Clock::now() - start >= std::chrono::duration<double>(*o.duration_s))
      break;
    if (!announced_end && !adapter.Playing()) {
      std::cerr << "vlr1210 sim: the traffic has played out; the adapter keeps "
                   "answering\n";
      announced_end = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

}  // namespace

void PrintSimHelp(std::ostream& out) {
  SimOptions o;
  out << "vlr1210 sim options:\n";
  PrintOptions(out, SimOptionTable(o));
}

int RunSim(std::span<const std::string_view> args) {
  SimOptions o;
  const std::vector<OptionDefinition> table = SimOptionTable(o);
  std::vector<std::string_view> positional;
  std::string error = ParseArguments(args, table, positional);
  if (error.empty() && !positional.empty())
    error = "unexpected argument " + std::string(positional[0]);
  if (error.empty() && o.traffic.device && !o.links.empty())
    error = "--device and --link cannot be used together";
  if (!error.empty()) {
    std::cerr << "vlr1210 sim: " << error << "\n";
    return 2;
  }
  auto adapter = SimulatedAdapter::Create(o.traffic, error);
  if (!adapter) {
    std::cerr << "vlr1210 sim: " << error << "\n";
    return 1;
  }
  for (const std::string& link : o.links) {
    if (std::string failed = adapter->Link(link); !failed.empty()) {
      std::cerr << "vlr1210 sim: " << failed << "\n";
      return 1;
    }
  }
  PrintHints(*adapter, o);
  adapter->Play();
  RunUntilStopped(*adapter, o);
  return 0;
}

}  // namespace vlrclient
