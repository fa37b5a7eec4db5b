// Traffic-source options of vlr1210-sim. Each entry makes a TrafficSource
// and stores it in ProgramOptions::source, which the program plays as soon
// as the adapter runs, for example:
//
//   {"--scenario", "NAME", "play a built-in scenario (truck)",
//    [](ProgramOptions& o, std::string_view name) -> std::string {
//      o.source = scenario::Make(name);   // tools/scenario
//      return o.source ? "" : "unknown scenario";
//    }},
//
// The library that provides the source is linked to vlr1210-sim in
// tools/sim/CMakeLists.txt.
#include "program_options.h"

namespace vlrsim::program {

std::span<const OptionSpec> SourceOptions() { return {}; }

}  // namespace vlrsim::program
