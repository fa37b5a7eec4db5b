// Traffic-source options of vlr1210-sim. Each entry makes a TrafficSource
// and stores it in ProgramOptions::source, which the program plays as soon
// as the adapter runs.
#include <string>

#include "program_options.h"
#include "vlrscenario/named_sources.h"

namespace vlrsim::program {
namespace {

std::string Scenario(ProgramOptions& o, std::string_view name) {
  o.source = vlrscenario::MakeNamedScenario(name);
  if (o.source) return "";
  std::string known;
  for (std::string_view n : vlrscenario::ScenarioNames()) {
    known += known.empty() ? "" : ", ";
    known += n;
  }
  return "unknown scenario '" + std::string(name) + "' (known: " + known + ")";
}

std::string Replay(ProgramOptions& o, std::string_view path, bool loop) {
  vlrscenario::ReplayOptions replay;
  replay.loop = loop;
  auto source = vlrscenario::MakeReplayFromFile(std::string(path), replay);
  if (!source) return source.error().ToString();
  o.source = std::move(source.value());
  return "";
}

}  // namespace

std::vector<vlrcommon::OptionDefinition> SourceOptionTable(ProgramOptions& o) {
  return {
      {"--scenario", "NAME",
       "play a built-in scenario: truck, truck-j1939, truck-j1708",
       [&o](std::string_view name) { return Scenario(o, name); }},
      {"--replay", "FILE",
       "replay a capture with its timing (candump log, neoVI CSV or J1708 "
       "text)",
       [&o](std::string_view path) { return Replay(o, path, false); }},
      {"--replay-loop", "FILE", "replay a capture again and again",
       [&o](std::string_view path) { return Replay(o, path, true); }},
  };
}

}  // namespace vlrsim::program
