// The command line of vlr1210-sim: one table of options (program_options.cpp)
// plus the traffic-source options of source_options.cpp.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "vlrcommon/option_table.h"
#include "vlrsim/adapter_options.h"
#include "vlrsim/network_script.h"
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
  // The lines of a --network script other than its ECUs, run once the
  // adapter is up (the ECUs go into adapter.ecus).
  std::vector<NetworkLine> network_actions;
};

// The traffic-source options (source_options.cpp): built-in scenarios and
// capture replay, storing into `options`.
std::vector<vlrcommon::OptionDefinition> SourceOptionTable(
    ProgramOptions& options);

// Parses argv; on failure returns the error text in `error`.
bool ParseCommandLine(int argc, char** argv, ProgramOptions& options,
                      std::string& error);
void PrintUsage(std::ostream& out);

}  // namespace vlrsim::program
