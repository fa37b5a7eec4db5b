#include "program_options.h"

#include <charconv>
#include <fstream>
#include <vector>

#include "vlrcommon/option_table.h"

namespace vlrsim::program {

using vlrcommon::OptionDefinition;

namespace {
std::string Flag(bool& field) {
  field = true;
  return "";
}

std::string ParseFamily(ProgramOptions& o, std::string_view value) {
  if (value == "1xx") {
    o.adapter.family = Family::k1xx;
  } else if (value == "2xx") {
    o.adapter.family = Family::k2xx;
  } else {
    return "takes 1xx or 2xx";
  }
  return "";
}

std::string ParseReadyDelay(ProgramOptions& o, std::string_view value) {
  unsigned ms = 0;
  const auto [end, error] =
      std::from_chars(value.data(), value.data() + value.size(), ms);
  if (error != std::errc{} || end != value.data() + value.size()) {
    return "takes a number of milliseconds";
  }
  o.adapter.ready_delay = std::chrono::milliseconds{ms};
  return "";
}

std::string ParseBuses(ProgramOptions& o, std::string_view value) {
  if (value != "j1708" && value != "j1939" && value != "both") {
    return "takes j1708, j1939 or both";
  }
  o.adapter.report_j1708 = value != "j1939";
  o.adapter.report_j1939 = value != "j1708";
  return "";
}

std::string LoadNetwork(ProgramOptions& o, std::string_view path) {
  std::ifstream in{std::string(path)};
  if (!in) return "cannot read " + std::string(path);
  std::string error;
  auto script = ReadNetworkScript(in, error);
  if (!script) return std::string(path) + ": " + error;
  for (auto& ecu : script->ecus) o.adapter.ecus.push_back(std::move(ecu));
  for (auto& line : script->actions) {
    o.network_actions.push_back(std::move(line));
  }
  return "";
}

std::vector<OptionDefinition> AdapterOptionTable(ProgramOptions& o) {
  return {
      {"--family", "1xx|2xx", "adapter family (default 2xx)",
       [&o](std::string_view v) { return ParseFamily(o, v); }},
      {"--device", "PATH",
       "play on this serial device instead of a pseudo-terminal",
       [&o](std::string_view v) {
         if (v.empty()) return std::string("needs a path");
         o.adapter.device = std::string(v);
         return std::string();
       }},
      {"--link", "PATH", "make PATH a symbolic link to the slave (repeatable)",
       [&o](std::string_view v) {
         o.links.emplace_back(v);
         return std::string();
       }},
      {"--silent", "", "answer nothing (a 2xx connect fails)",
       [&o](std::string_view) { return Flag(o.adapter.silent); }},
      {"--loopback", "", "report every host message back as bus traffic",
       [&o](std::string_view) { return Flag(o.adapter.loopback); }},
      {"--ready-delay", "MS", "2xx: ready frame this long after a J1708 frame",
       [&o](std::string_view v) { return ParseReadyDelay(o, v); }},
      {"--no-ready", "", "2xx: never send the ready frame",
       [&o](std::string_view) {
         o.adapter.ready_delay.reset();
         return std::string();
       }},
      {"--throttle", "", "pace output at the line rate",
       [&o](std::string_view) { return Flag(o.adapter.throttle); }},
      {"--line-paced", "",
       "pace both directions at the line rate (115200 or 38400 baud)",
       [&o](std::string_view) { return Flag(o.adapter.line_paced); }},
      {"--buses", "j1708|j1939|both", "1xx: the buses reported (default both)",
       [&o](std::string_view v) { return ParseBuses(o, v); }},
      {"--slot-resumes-receive", "",
       "2xx: a filter slot frame switches J1939 receive on",
       [&o](std::string_view) {
         return Flag(o.adapter.slot_frame_resumes_receive);
       }},
      {"--network", "FILE",
       "simulated J1939 ECUs and what they do (see the README)",
       [&o](std::string_view v) { return LoadNetwork(o, v); }},
      {"--log", "", "print each host frame, decoded, on stdout",
       [&o](std::string_view) { return Flag(o.log); }},
      {"--stdin-control", "", "take control commands on stdin",
       [&o](std::string_view) { return Flag(o.stdin_control); }},
      {"--no-stdin", "", "ignore stdin; run until SIGINT or SIGTERM",
       [&o](std::string_view) {
         o.watch_stdin = false;
         return std::string();
       }},
      {"--help", "", "show this text",
       [&o](std::string_view) { return Flag(o.help); }},
  };
}

std::vector<OptionDefinition> OptionTable(ProgramOptions& o) {
  std::vector<OptionDefinition> table = AdapterOptionTable(o);
  for (OptionDefinition& option : SourceOptionTable(o)) {
    table.push_back(std::move(option));
  }
  return table;
}
}  // namespace

bool ParseCommandLine(int argc, char** argv, ProgramOptions& options,
                      std::string& error) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const std::vector<OptionDefinition> table = OptionTable(options);
  std::vector<std::string_view> positional;
  error = vlrcommon::ParseArguments(args, table, positional);
  if (!error.empty()) return false;
  if (!positional.empty()) {
    error = "unknown option " + std::string(positional.front());
    return false;
  }
  // A device's host is at the far end of a cable, not on this machine, so
  // a link for it to open has no use.
  if (options.adapter.device && !options.links.empty()) {
    error = "--device and --link cannot be used together";
    return false;
  }
  return true;
}

void PrintUsage(std::ostream& out) {
  // The tables only print here; nothing is stored.
  ProgramOptions unused;
  out << "usage: vlr1210-sim [options]\n"
         "Plays a vehicle datalink adapter on a pseudo-terminal, or on a\n"
         "serial device (--device). The first line of output is the path the\n"
         "host opens, or the device.\n\n";
  constexpr std::size_t kHelpColumn = 32;
  vlrcommon::PrintOptions(out, AdapterOptionTable(unused), kHelpColumn);
  const auto sources = SourceOptionTable(unused);
  if (!sources.empty()) {
    out << "traffic:\n";
    vlrcommon::PrintOptions(out, sources, kHelpColumn);
  }
}

}  // namespace vlrsim::program
