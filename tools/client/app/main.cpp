// vlr1210: the command-line client of the RP1210 driver.
#include <iostream>
#include <span>
#include <string_view>
#include <vector>

#include "dash_command.h"
#include "demo.h"
#include "help.h"
#include "info.h"
#include "monitor_command.h"
#include "plot_command.h"
#include "ports_command.h"
#include "send.h"
#include "sim_command.h"
#include "stop_signal.h"

namespace {

using Runner = int (*)(std::span<const std::string_view>);

Runner FindCommand(std::string_view name) {
  if (name == "monitor") return vlrclient::RunMonitorCommand;
  if (name == "send") return vlrclient::RunSend;
  if (name == "info") return vlrclient::RunInfo;
  if (name == "ports") return vlrclient::RunPorts;
  if (name == "sim") return vlrclient::RunSim;
  if (name == "dash") return vlrclient::RunDash;
  if (name == "plot") return vlrclient::RunPlot;
  if (name == "demo") return vlrclient::RunDemo;
  return nullptr;
}

bool AsksForHelp(std::span<const std::string_view> args) {
  for (std::string_view arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> all(argv + 1, argv + argc);
  vlrclient::InstallStopHandlers();
  const bool asks_help = !all.empty() && (all[0] == "--help" || all[0] == "-h");
  // Options without a command belong to the demonstration: "vlr1210
  // --duration 3" is the demonstration, stopping after three seconds.
  if (all.empty() || (all[0].substr(0, 2) == "--" && !asks_help))
    return vlrclient::RunDemo(all);
  const std::string_view command = all[0];
  const std::span<const std::string_view> rest = std::span(all).subspan(1);
  if (command == "help" || command == "--help" || command == "-h") {
    const std::string_view topic = rest.empty() ? std::string_view() : rest[0];
    if (vlrclient::PrintHelp(std::cout, topic)) return 0;
    std::cerr << "vlr1210: no command '" << topic << "'; see 'vlr1210 help'\n";
    return 2;
  }
  Runner runner = FindCommand(command);
  if (runner == nullptr) {
    std::cerr << "vlr1210: unknown command '" << command
              << "'; see 'vlr1210 help'\n";
    return 2;
  }
  if (AsksForHelp(rest)) {
    vlrclient::PrintHelp(std::cout, command);
    return 0;
  }
  return runner(rest);
}
