// The command line of vlr1210-sim: one table of options (program_options.cpp)
// plus the traffic-source options of source_options.cpp.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vlrsim/adapter_options.h"
#include "vlrsim/traffic_source.h"

namespace vlrsim::program {

struct ProgramOptions {
  AdapterOptions adapter;
  std::vector<std::string> links;  // --link, may repeat
  bool log = false;                // print host frames on stdout
  bool stdin_control = false;      // take commands from stdin
  bool watch_stdin = true;         // end at stdin EOF
  bool help = false;
  // Made by a source option (--scenario, --replay, ...); played from start.
  std::unique_ptr<TrafficSource> source;
};

// One command-line option. `apply` gets the value (empty for a flag) and
// returns an error text, empty on success.
struct OptionSpec {
  std::string_view name;       // "--family"
  std::string_view value;      // "1xx|2xx"; empty for a flag
  std::string_view help;
  std::function<std::string(ProgramOptions&, std::string_view value)> apply;
};

// The traffic-source options (source_options.cpp): built-in scenarios and
// capture replay.
std::span<const OptionSpec> SourceOptions();

// Parses argv; on failure returns the error text in `error`.
bool ParseCommandLine(int argc, char** argv, ProgramOptions& options,
                      std::string& error);
void PrintUsage(std::ostream& out);

}  // namespace vlrsim::program
